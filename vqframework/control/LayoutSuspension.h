// Suspends a control's own layout for a scope, so that a throw cannot leave it suspended.
#pragma once

namespace VQ {

class LayoutSuspension {
public:
    [[nodiscard]] explicit LayoutSuspension(bool& suspended) : m_suspended(suspended) { m_suspended = true; }
    ~LayoutSuspension() { m_suspended = false; }
    LayoutSuspension(const LayoutSuspension&) = delete;
    LayoutSuspension& operator=(const LayoutSuspension&) = delete;

private:
    bool& m_suspended;
};

} // namespace VQ
