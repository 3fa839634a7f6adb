#include "platform/ui/Event.h"

namespace platform {

TouchSet Event::touchesForView(const View* view) const {
    TouchSet out;
    for (Touch* t : all_)
        if (t->view() == view) out.push_back(t);
    return out;
}

}  // namespace platform
