#include "platform/ui/InterfaceLoader.h"

#include "platform/foundation/Bundle.h"
#include "platform/ui/InterfaceValue.h"

#include <nlohmann/json.hpp>

#include <fstream>
#include <set>
#include <sstream>

namespace platform {
namespace {

using Json = nlohmann::ordered_json;

InterfaceValue toValue(const Json& j) {
    switch (j.type()) {
        case Json::value_t::boolean: return InterfaceValue::boolean(j.get<bool>());
        case Json::value_t::number_integer:
        case Json::value_t::number_unsigned:
        case Json::value_t::number_float: return InterfaceValue::number(j.get<double>());
        case Json::value_t::string: return InterfaceValue::string(j.get<std::string>());
        case Json::value_t::array: {
            std::vector<InterfaceValue> items;
            for (auto& e : j) items.push_back(toValue(e));
            return InterfaceValue::list(std::move(items));
        }
        case Json::value_t::object: {
            std::vector<std::pair<std::string, InterfaceValue>> entries;
            for (auto& [k, v] : j.items()) entries.emplace_back(k, toValue(v));
            return InterfaceValue::dictionary(std::move(entries));
        }
        default: return {};
    }
}

std::string stringField(const Json& j, const char* key) {
    auto it = j.find(key);
    return it != j.end() && it->is_string() ? it->get<std::string>() : std::string();
}

class Builder {
public:
    Builder(const ClassRegistry& registry, Object* owner) : registry_(registry), owner_(owner) {}

    std::optional<InterfaceContents> build(const Json& root, std::string& error) {
        if (!root.is_object()) return fail(error, "the file is not a JSON object");
        auto objs = root.find("objects");
        if (objs == root.end() || !objs->is_array()) return fail(error, "no \"objects\" list");
        for (const Json& o : *objs) {
            std::unique_ptr<Object> made = make(o, error);
            if (!made) return std::nullopt;
            contents_.topLevelObjects.push_back(std::move(made));
        }
        if (auto outlets = root.find("outlets"); outlets != root.end()) {
            if (!outlets->is_array()) return fail(error, "\"outlets\" is not a list");
            for (const Json& c : *outlets) {
                Object* from = lookup(stringField(c, "from"));
                std::string name = stringField(c, "name");
                std::string toId = stringField(c, "to");
                Object* to = toId.empty() ? nullptr : lookup(toId);
                if (!from || name.empty() || (!toId.empty() && !to))
                    return fail(error, "outlet \"" + name + "\" names an unknown object");
                from->setOutlet(name, to);
            }
        }
        if (auto actions = root.find("actions"); actions != root.end()) {
            if (!actions->is_array()) return fail(error, "\"actions\" is not a list");
            for (const Json& c : *actions) {
                Object* from = lookup(stringField(c, "from"));
                Object* to = lookup(stringField(c, "to"));
                std::string action = stringField(c, "action");
                if (!from || !to || action.empty()) return fail(error, "action \"" + action + "\" names an unknown object");
                ActionConnection conn;
                conn.target = to;
                conn.action = action;
                conn.fn = to->actionNamed(action);
                if (std::string ev = stringField(c, "event"); !ev.empty()) conn.event = ev;
                if (conn.fn) from->connectAction(conn);
            }
        }
        for (Object* o : order_) o->awakeFromNib();
        return std::move(contents_);
    }

private:
    static std::optional<InterfaceContents> fail(std::string& error, std::string why) {
        error = std::move(why);
        return std::nullopt;
    }

    Object* lookup(const std::string& id) {
        if (id == "owner") return owner_;
        return contents_.objectWithId(id);
    }

    std::unique_ptr<Object> make(const Json& o, std::string& error) {
        if (!o.is_object()) {
            error = "an object is not a JSON object";
            return nullptr;
        }
        std::string cls = stringField(o, "class");
        std::string id = stringField(o, "id");
        std::unique_ptr<Object> obj = registry_.create(cls);
        if (!obj) {
            error = "unknown class \"" + cls + "\"";
            return nullptr;
        }
        const bool isView = registry_.isViewClass(cls);
        View* view = isView ? static_cast<View*>(obj.get()) : nullptr;
        if (!id.empty()) {
            if (id == "owner" || contents_.objects.count(id)) {
                error = "duplicate id \"" + id + "\"";
                return nullptr;
            }
            contents_.objects[id] = obj.get();
            if (view) {
                contents_.views[id] = view;
                view->setName(id);
            }
        }
        order_.push_back(obj.get());
        if (auto props = o.find("properties"); props != o.end() && props->is_object())
            for (auto& [k, v] : props->items()) obj->setProperty(k, toValue(v));
        if (auto subs = o.find("subviews"); subs != o.end()) {
            if (!view || !subs->is_array()) {
                error = "\"" + cls + "\" cannot have subviews";
                return nullptr;
            }
            for (const Json& s : *subs) {
                std::string subClass = stringField(s, "class");
                if (registry_.isRegistered(subClass) && !registry_.isViewClass(subClass)) {
                    error = "subview class \"" + subClass + "\" is not a view";
                    return nullptr;
                }
                std::unique_ptr<Object> child = make(s, error);
                if (!child) return nullptr;
                view->addSubview(std::unique_ptr<View>(static_cast<View*>(child.release())));
            }
        }
        return obj;
    }

    const ClassRegistry& registry_;
    Object* owner_;
    InterfaceContents contents_;
    std::vector<Object*> order_;
};

}  // namespace

std::optional<InterfaceContents> InterfaceLoader::loadString(const std::string& json, Object* owner,
                                                             std::string* error, const ClassRegistry& registry) {
    std::string why;
    Json root = Json::parse(json, nullptr, false);
    if (root.is_discarded()) {
        if (error) *error = "malformed JSON";
        return std::nullopt;
    }
    auto result = Builder(registry, owner).build(root, why);
    if (!result && error) *error = why;
    return result;
}

std::optional<InterfaceContents> InterfaceLoader::loadFile(const std::filesystem::path& path, Object* owner,
                                                           std::string* error, const ClassRegistry& registry) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        if (error) *error = "cannot read " + path.string();
        return std::nullopt;
    }
    std::ostringstream ss;
    ss << in.rdbuf();
    return loadString(ss.str(), owner, error, registry);
}

std::optional<InterfaceContents> InterfaceLoader::loadNamed(const std::string& name, Object* owner,
                                                            const Bundle* bundle, std::string* error,
                                                            const ClassRegistry& registry) {
    if (!bundle) bundle = &Bundle::mainBundle();
    auto path = bundle->pathForResource(name, "json");
    if (!path) {
        if (error) *error = "no interface file " + name + ".json";
        return std::nullopt;
    }
    return loadFile(*path, owner, error, registry);
}

}  // namespace platform
