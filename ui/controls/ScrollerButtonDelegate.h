#pragma once
// What an option button asks of its target besides its action: the tips band's state, showing
// it with new text and hiding it. The application delegate implements it and relays each call to
// the options bar.
#include "platform/foundation/TimerGroup.h"

#include <string>

namespace kestrova {

class ScrollerButtonDelegate {
public:
    virtual ~ScrollerButtonDelegate() = default;
    // Whether the options bar's tips band is up now.
    virtual bool getTipsShowState() = 0;
    // Shows the band with `html` (only replaces the text when it is already up).
    virtual void showOptionsLabel(const std::string& html) = 0;
    virtual void hideOptionsLabel() = 0;

    // The hides its buttons have scheduled. The target holds them, so a touch on any of its
    // buttons drops them all, and none outlives it.
    platform::TimerGroup& pendingHides() { return pendingHides_; }

private:
    platform::TimerGroup pendingHides_;
};

}  // namespace kestrova
