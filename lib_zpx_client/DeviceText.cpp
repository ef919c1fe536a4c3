#include "DeviceText.h"

namespace quorvel {

namespace {
void AppendEscaped(std::string& out, uint8_t byte)
{
    static const char kHex[] = "0123456789abcdef";
    out += "\\x";
    out += kHex[byte >> 4];
    out += kHex[byte & 0x0f];
}

// Length of the well-formed UTF-8 sequence at `p` of a printable character, or 0.
std::size_t PrintableSequence(const uint8_t* p, std::size_t available)
{
    const uint8_t lead = p[0];
    if (lead >= 0x20 && lead < 0x7f) {
        return 1;
    }
    std::size_t length = 0;
    uint32_t code = 0;
    if (lead >= 0xc2 && lead <= 0xdf) {
        length = 2;
        code = lead & 0x1f;
    } else if (lead >= 0xe0 && lead <= 0xef) {
        length = 3;
        code = lead & 0x0f;
    } else if (lead >= 0xf0 && lead <= 0xf4) {
        length = 4;
        code = lead & 0x07;
    } else {
        return 0;
    }
    if (length > available) {
        return 0;
    }
    for (std::size_t i = 1; i < length; ++i) {
        if ((p[i] & 0xc0) != 0x80) {
            return 0;
        }
        code = (code << 6) | (p[i] & 0x3f);
    }
    const uint32_t smallest = length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
    const bool control = code >= 0x80 && code <= 0x9f; // C1 controls steer terminals too
    const bool surrogate = code >= 0xd800 && code <= 0xdfff;
    if (code < smallest || code > 0x10ffff || control || surrogate) {
        return 0;
    }
    return length;
}
} // namespace

std::string ShowableDeviceText(const uint8_t* data, std::size_t size)
{
    while (size > 0 && data[size - 1] == 0) {
        --size;
    }
    std::size_t shown = size < kDeviceTextLimit ? size : kDeviceTextLimit;
    // Cut between characters, not inside one.
    if (shown < size) {
        std::size_t back = shown;
        while (back > 0 && shown - back < 3 && (data[back] & 0xc0) == 0x80) {
            --back;
        }
        if ((data[back] & 0xc0) != 0x80) {
            shown = back;
        }
    }

    std::string out;
    out.reserve(shown + 32);
    std::size_t i = 0;
    while (i < shown) {
        const std::size_t length = PrintableSequence(data + i, shown - i);
        if (length == 0) {
            AppendEscaped(out, data[i]);
            ++i;
        } else {
            out.append(reinterpret_cast<const char*>(data + i), length);
            i += length;
        }
    }
    if (shown < size) {
        out += "\xE2\x80\xA6 (" + std::to_string(size - shown) + " bytes cut)";
    }
    return out;
}

std::string DeviceReasonMessage(const char* operation, const uint8_t* deviceText, std::size_t size)
{
    std::string text = ShowableDeviceText(deviceText, size);
    if (text.empty()) {
        return std::string(operation) + "(): quorvel error - the device reported an error without a text";
    }
    return operation + text;
}

} // namespace quorvel
