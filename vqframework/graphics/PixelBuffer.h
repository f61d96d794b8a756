// Direct access to a rectangle of pixels: the interface locked bitmaps and plain pixel buffers share.
#pragma once

#include "vqframework/objectbase/Exception.h"
#include "vqframework/objectbase/RefCountedObject.h"
#include "vqframework/storage/BufferT.h"

#include <cstdint>
#include <cstring>
#include <new>

namespace VQ {

template <class T> class IPixelBuffer {
public:
    virtual int32_t GetWidth() const = 0;
    virtual int32_t GetHeight() const = 0;
    // Bytes from one row to the next.
    virtual int32_t GetPitch() const = 0;
    // Null outside the buffer.
    const T* GetPixel(int32_t x, int32_t y) const { return const_cast<IPixelBuffer*>(this)->GetPixel(x, y); }
    virtual T* GetPixel(int32_t x, int32_t y) = 0;

protected:
    ~IPixelBuffer() = default;
};

// A counted block of width x height pixels in rows of pitch bytes.
template <class T> class LPixelBuffer : public IPixelBuffer<T>, public virtual LRefCountedObject {
public:
    LPixelBuffer(int32_t width, int32_t height)
    {
        if (width < 0 || height < 0 || uint64_t(width) * sizeof(T) > INT32_MAX)
            VQ_THROW(std::invalid_argument);
        m_pitch = int32_t(uint64_t(width) * sizeof(T));
        const uint64_t bytes = uint64_t(m_pitch) * uint64_t(height);
        if (bytes > UINT32_MAX || m_bytes.SetSize(uint32_t(bytes)) != bytes)
            throw Exception<std::bad_alloc>();
        m_width = width;
        m_height = height;
    }

    // Rows of pitch bytes, filled from data (height x pitch bytes) when given, else zero-filled. A
    // pitch of 0 means packed rows (width x sizeof(T) bytes) when data is given, as the data can hold
    // no more, else the row's bytes rounded up to a multiple of 16.
    LPixelBuffer(int32_t width, int32_t height, int32_t pitch, const void* data = nullptr)
    {
        const uint64_t rowBytes = uint64_t(width < 0 ? 0 : width) * sizeof(T);
        if (width < 0 || height < 0 || pitch < 0 || rowBytes > INT32_MAX - 15)
            VQ_THROW(std::invalid_argument);
        if (pitch == 0)
            pitch = data ? int32_t(rowBytes) : int32_t((rowBytes + 15) / 16 * 16);
        // A shorter pitch would make rows overlap and pixels of the last row lie past the end.
        if (uint64_t(pitch) < rowBytes)
            VQ_THROW(std::invalid_argument);
        m_pitch = pitch;
        const uint64_t bytes = uint64_t(m_pitch) * uint64_t(height);
        if (bytes > UINT32_MAX || m_bytes.SetSize(uint32_t(bytes)) != bytes)
            throw Exception<std::bad_alloc>();
        if (bytes != 0) {
            if (data)
                std::memcpy(m_bytes.GetData(), data, size_t(bytes));
            else
                std::memset(m_bytes.GetData(), 0, size_t(bytes));
        }
        m_width = width;
        m_height = height;
    }

    int32_t GetWidth() const override { return m_width; }
    int32_t GetHeight() const override { return m_height; }
    int32_t GetPitch() const override { return m_pitch; }
    using IPixelBuffer<T>::GetPixel;
    T* GetPixel(int32_t x, int32_t y) override
    {
        if (x < 0 || y < 0 || x >= m_width || y >= m_height)
            return nullptr;
        return reinterpret_cast<T*>(m_bytes.GetData() + int64_t(y) * m_pitch + int64_t(x) * int64_t(sizeof(T)));
    }

    // Resizes to height rows, keeping the rows that stay and zero-filling the new ones. 0, or E_FAIL
    // when there is no memory for them (the buffer is left as it was).
    VQRESULT SetHeight(int32_t height)
    {
        if (height < 0)
            return E_INVALIDARG;
        const uint64_t bytes = uint64_t(m_pitch) * uint64_t(height);
        if (bytes > UINT32_MAX)
            return E_FAIL;
        const uint32_t oldBytes = m_bytes.GetSize();
        if (m_bytes.Resize(uint32_t(bytes)) != bytes)
            return E_FAIL;
        if (bytes > oldBytes)
            std::memset(m_bytes.GetData() + oldBytes, 0, size_t(bytes - oldBytes));
        m_height = height;
        return 0;
    }

private:
    int32_t m_width = 0;
    int32_t m_height = 0;
    int32_t m_pitch = 0;
    BufferT<alignof(T), 0, alignof(T), char*> m_bytes;
};

} // namespace VQ
