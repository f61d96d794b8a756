// The current values of the tree's parameters, entry i for the root's first id plus i. It has no
// lock of its own: the root module uses it under its store lock only.
#pragma once

#include "vqframework/objectbase/RCPtr.h"
#include "vqframework/objectbase/RefCountedObject.h"
#include "vqframework/storage/Array.h"
#include "vqframework/storage/ParamValue.h"
#include "vqframework/storage/Variant.h"

#include <cstdint>

namespace VQ {

class LParamCache : public virtual LRefCountedObject {
public:
    // count entries, all empty; a negative count gives none.
    static RCPtr<LParamCache> Create(int32_t count);

    // The descriptor's id is the entry's index, compared unsigned; a key addresses an element of
    // the entry as a value list. 1 when the value is stored already, 0 when stored now, -1 for an
    // index out of range or a malformed list.
    virtual int32_t SetValue(const ParamDescriptor& descriptor, const Variant& value, bool notify);
    // out is emptied first. 0, or -1 for an index out of range; with a key, the list's answer
    // (1 when the key is absent).
    virtual int32_t GetValue(const ParamDescriptor& descriptor, Variant& out);
    virtual void SetLoaded(bool loaded);
    // Called by SetValue when asked to notify; there is nobody to tell.
    virtual VQRESULT OnValueChanged(int32_t index, const Variant& value);

protected:
    explicit LParamCache(int32_t count);

private:
    Array<Variant> m_values;
};

} // namespace VQ
