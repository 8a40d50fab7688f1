#pragma once
// A hash computed incrementally over a byte stream.

namespace uilib::core {

class IHash {
public:
    // Size in bytes of the units the hash consumes.
    virtual int GetBlockSize() const = 0;
    // Starts a new computation.
    virtual void Reset() = 0;
    // Consumes size * count bytes from data, in address order; nothing when either is not positive.
    virtual void Update(const void* data, int size, int count) = 0;
    // Size in bytes of the result.
    virtual int GetHashSize() const = 0;
    // Writes the result of the bytes consumed so far; more data may follow.
    virtual void GetHash(void* out) const = 0;
    virtual ~IHash() = default;
};

}  // namespace uilib::core
