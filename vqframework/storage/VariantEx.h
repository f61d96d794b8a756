// A Variant that keeps its owned bytes in a counted buffer, hands that buffer out without copying,
// and converts its value to and from text.
#pragma once

#include "vqframework/objectbase/RCPtr.h"
#include "vqframework/objectbase/RefCountedObject.h"
#include "vqframework/storage/BufferT.h"
#include "vqframework/storage/StringT.h"
#include "vqframework/storage/Variant.h"

namespace VQ {

class VariantEx : public Variant, public IStringable {
public:
    VariantEx() = default;
    // Copies take this class's counted buffer, so they are made here, not by the base constructor.
    VariantEx(const VariantEx& other);
    explicit VariantEx(const Variant& other);
    VariantEx& operator=(const VariantEx& other);
    VariantEx& operator=(const Variant& other);
    ~VariantEx() override;

    // A text value is parsed; every other type reads as a Variant does.
    bool GetBool() const override;
    int8_t GetInt8() const override;
    int16_t GetInt16() const override;
    int32_t GetInt32() const override;
    int64_t GetInt64() const override;
    uint8_t GetUInt8() const override;
    uint16_t GetUInt16() const override;
    uint32_t GetUInt32() const override;
    uint64_t GetUInt64() const override;
    float GetFloat() const override;
    double GetDouble() const override;

    // A new zero-filled counted buffer becomes the held one; 0 bytes give a buffer without data.
    void* AllocateBuffer(uint32_t size) override;
    // Releases the held buffer; holders from GetBuffer keep the bytes alive.
    void FreeBuffer(void* buffer) override;

    // The counted buffer of owned bytes or text; throws for every other type.
    const ConstRCPtr<LIBuffer>& GetBuffer() const;

    StringT<char16_t, char> ToString() const override;

private:
    ConstRCPtr<LIBuffer> m_holder;
};

} // namespace VQ
