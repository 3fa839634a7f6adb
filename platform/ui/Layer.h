#pragma once
// The Core Animation role of a view: transitions run on a view's layer, each under a key.
// While one runs, the compositor draws the layer's old look (captured before the change)
// giving way to its current subtree.
#include "platform/ui/Transition.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform {

class View;
class ViewBacking;

class Layer {
public:
    explicit Layer(View& view);
    ~Layer();
    Layer(const Layer&) = delete;
    Layer& operator=(const Layer&) = delete;

    View& view() const { return view_; }

    // Starts `transition` under `key`. An animation already under that key is removed first and
    // reports an unfinished stop. Start and stop reach the delegate through the run loop.
    void addAnimation(const Transition& transition, const std::string& key);
    // Removes the animation under `key`; it reports an unfinished stop. Unknown keys are ignored.
    void removeAnimationForKey(const std::string& key);
    void removeAllAnimations();
    // The running animation under `key`; null when none.
    const Transition* animationForKey(const std::string& key) const;
    std::vector<std::string> animationKeys() const;

    // Keeps a picture of the layer as it looks before the first change to its subviews in each
    // run-loop turn, so a transition added after the change shows the old look. Switched on by
    // the first transition; switch it on earlier to make the first transition show it as well.
    void setPreservesOldLook(bool preserve);
    bool preservesOldLook() const { return preservesOldLook_; }

    // --- For View, the compositor and the animation system ---
    struct Running {
        std::string key;
        Transition transition;
        std::shared_ptr<ViewBacking> oldLook;  // null: nothing was on screen
        double beginTime = 0;
        std::shared_ptr<bool> startReported;
    };
    // Called by View before its subview list changes.
    void willChangeSubviews();
    const std::vector<Running>& running() const { return running_; }
    bool hasRunningTransitions() const { return !running_.empty(); }
    // Ends every transition whose time is up at `now` (finished), reporting their stops.
    void finishDue(double now);
    std::optional<double> nextEndTime() const;

private:
    void stop(size_t index, bool finished);
    std::shared_ptr<ViewBacking> takeOldLook();

    View& view_;
    std::vector<Running> running_;
    bool preservesOldLook_ = false;
    std::shared_ptr<ViewBacking> pendingOldLook_;
    bool hasPendingOldLook_ = false;
    std::shared_ptr<bool> alive_;
};

}  // namespace platform
