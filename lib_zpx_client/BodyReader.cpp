#include "BodyReader.h"

namespace quorvel::tcp {

StringRead BodyReader::ReadString()
{
    StringRead result;
    if (Remaining() == 0) {
        result.exhausted = true;
        return result;
    }
    const uint8_t* begin = data + cursor;
    const uint8_t* end = data + size;
    const uint8_t* zero = std::find(begin, end, uint8_t{0});
    result.text.assign(reinterpret_cast<const char*>(begin), static_cast<std::size_t>(zero - begin));
    cursor = static_cast<std::size_t>(zero - data);
    if (zero != end) {
        ++cursor; // past the terminator
    }
    return result;
}

BytesRead BodyReader::ReadBytes(std::size_t n)
{
    BytesRead result;
    const uint8_t* span = ReadSpan(n);
    if (span == nullptr) {
        result.exhausted = true;
        return result;
    }
    result.bytes.assign(span, span + n);
    return result;
}

const uint8_t* BodyReader::ReadSpan(std::size_t n)
{
    if (Remaining() < n) {
        return nullptr;
    }
    static const uint8_t kNothing = 0;
    const uint8_t* span = n == 0 ? &kNothing : data + cursor;
    cursor += n;
    return span;
}

} // namespace quorvel::tcp
