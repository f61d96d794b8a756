#include "devicecontrol/generatedcode/engine/src/ParamCache.h"

namespace VQ {

namespace {

bool CanHoldKeyedValues(const Variant& entry)
{
    return entry.GetType() == Variant::TypeEmpty || entry.GetType() == Variant::TypeList;
}

} // namespace

LParamCache::LParamCache(int32_t count) { m_values.SetCount(count > 0 ? static_cast<uint32_t>(count) : 0); }

RCPtr<LParamCache> LParamCache::Create(int32_t count) { return RCPtr<LParamCache>(new LParamCache(count)); }

int32_t LParamCache::SetValue(const ParamDescriptor& descriptor, const Variant& value, bool notify)
{
    const uint32_t index = static_cast<uint32_t>(descriptor.id);
    if (index >= m_values.GetCount())
        return -1;
    Variant& entry = m_values.GetAt(index);
    if (descriptor.key.GetType() == Variant::TypeEmpty) {
        if (entry == value)
            return 1;
        entry = value;
        if (notify)
            OnValueChanged(descriptor.id, entry);
        return 0;
    }
    // A keyed value lives in a list; it must not turn a plain value into one.
    if (!CanHoldKeyedValues(entry))
        return -1;
    ParamValues list;
    list.Assign(entry);
    const int32_t result = list.SetValue(descriptor, value);
    if (result < 0)
        return -1;
    if (result == 1)
        return 1;
    entry = list;
    if (notify)
        OnValueChanged(descriptor.id, entry);
    return 0;
}

int32_t LParamCache::GetValue(const ParamDescriptor& descriptor, Variant& out)
{
    out.Clear();
    const uint32_t index = static_cast<uint32_t>(descriptor.id);
    if (index >= m_values.GetCount())
        return -1;
    const Variant& entry = m_values.GetAt(index);
    if (descriptor.key.GetType() == Variant::TypeEmpty) {
        out = entry;
        return 0;
    }
    if (!CanHoldKeyedValues(entry))
        return -1;
    ParamValues list;
    list.Assign(entry);
    return list.GetValue(descriptor, out);
}

void LParamCache::SetLoaded(bool) {}

VQRESULT LParamCache::OnValueChanged(int32_t, const Variant&) { return E_NOTIMPL; }

} // namespace VQ
