#pragma once
// Ties animation blocks to their owner: the did-stop callbacks of every block given this handle
// as its delegate are dropped when the handle goes, so an owner that keeps one as a member needs
// no clean-up of its own. Neither copied nor moved: blocks know it by its address. Main thread.
namespace platform {

class AnimationDelegateHandle {
public:
    AnimationDelegateHandle() = default;
    AnimationDelegateHandle(const AnimationDelegateHandle&) = delete;
    AnimationDelegateHandle& operator=(const AnimationDelegateHandle&) = delete;
    ~AnimationDelegateHandle();
};

}  // namespace platform
