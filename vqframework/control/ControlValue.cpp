// A control's value: normalized to 0..1 and mapped onto a linear or logarithmic range.
#include "vqframework/control/Control.h"

#include <algorithm>
#include <cmath>

namespace VQ {

double LControl::SetValue(double normalized)
{
    // NaN is no position on the range; storing it would also announce it again on every call.
    if (std::isnan(normalized))
        return m_value;
    const double clamped = std::clamp(normalized, 0.0, 1.0);
    if (clamped != m_value) {
        m_value = clamped;
        OnValueChanged();
        Send(LNotification::Create(u"NID_VALUE_CHANGE", LValueParam::Create(m_value, NormalizedToValue(m_value))));
    }
    return m_value;
}

void LControl::OnValueChanged() {}

VQRESULT LControl::SetRange(double minimum, double maximum, int32_t taper)
{
    if (taper != 0 && taper != 1)
        return E_INVALIDARG;
    if (taper == 1 && !(minimum > 0 && maximum > 0))
        return E_INVALIDARG;
    // A range whose span or ratio is not finite maps every value to NaN or infinity.
    if (!std::isfinite(maximum - minimum) || (taper == 1 && !std::isfinite(maximum / minimum)))
        return E_INVALIDARG;
    m_rangeMin = minimum;
    m_rangeMax = maximum;
    m_taper = taper;
    return S_OK;
}

double LControl::NormalizedToValue(double normalized) const
{
    if (m_taper == 1)
        return m_rangeMin * std::pow(m_rangeMax / m_rangeMin, normalized);
    return m_rangeMin + (m_rangeMax - m_rangeMin) * normalized;
}

double LControl::ValueToNormalized(double value) const
{
    if (m_rangeMin == m_rangeMax)
        return 0.0;
    const double clamped = std::clamp(value, std::min(m_rangeMin, m_rangeMax), std::max(m_rangeMin, m_rangeMax));
    if (m_taper == 1)
        return std::log(clamped / m_rangeMin) / std::log(m_rangeMax / m_rangeMin);
    return (clamped - m_rangeMin) / (m_rangeMax - m_rangeMin);
}

} // namespace VQ
