#include "platform/ui/AnimationDelegateHandle.h"

#include "platform/ui/ViewAnimation.h"

namespace platform {

AnimationDelegateHandle::~AnimationDelegateHandle() { ViewAnimation::forgetDelegate(this); }

}  // namespace platform
