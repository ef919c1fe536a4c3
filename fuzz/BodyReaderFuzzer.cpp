// BodyReader under a script of reads (2 length bytes, body, ops), against the reference reader.
#include "BodyReader.h"
#include "FuzzSupport.h"

#include <algorithm>
#include <cstring>

namespace {

using ondrel::fuzz::ReferenceReader;
using quorvel::tcp::BodyReader;

template <typename T> void CheckRead(BodyReader& reader, ReferenceReader& reference)
{
    const std::size_t before = reader.Position();
    const T value = reader.Read<T>();
    const uint64_t expected = reference.Take(sizeof(T));
    T expectedValue;
    std::memcpy(&expectedValue, &expected, sizeof(T)); // little-endian host
    FUZZ_CHECK(std::memcmp(&value, &expectedValue, sizeof(T)) == 0);
    FUZZ_CHECK(reader.Position() == reference.Position());
    FUZZ_CHECK(reader.Position() == before || reader.Position() == before + sizeof(T));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    if (size < 2) {
        return 0;
    }
    const std::size_t wanted = static_cast<std::size_t>(data[0]) | static_cast<std::size_t>(data[1]) << 8;
    const std::size_t bodySize = std::min(wanted, size - 2);
    // Read in place through the pointer constructor: the input is never null, the body may be empty.
    const uint8_t* body = data + 2;
    const uint8_t* script = body + bodySize;
    const std::size_t scriptSize = size - 2 - bodySize;

    ondrel::fuzz::RunGuarded(size, [&] {
        BodyReader reader(body, bodySize);
        ReferenceReader reference(body, bodySize);
        for (std::size_t i = 0; i < scriptSize; ++i) {
            const uint8_t op = script[i];
            switch (op % 10) {
            case 0:
                CheckRead<uint8_t>(reader, reference);
                break;
            case 1:
                CheckRead<uint16_t>(reader, reference);
                break;
            case 2:
                CheckRead<int32_t>(reader, reference);
                break;
            case 3:
                CheckRead<uint64_t>(reader, reference);
                break;
            case 4:
                CheckRead<float>(reader, reference);
                break;
            case 5:
                CheckRead<double>(reader, reference);
                break;
            case 6: {
                const std::size_t start = reference.Position();
                const auto read = reader.ReadString();
                FUZZ_CHECK(read.exhausted == (start == bodySize));
                FUZZ_CHECK(read.text.find('\0') == std::string::npos);
                FUZZ_CHECK(read.text.size() <= bodySize - start);
                FUZZ_CHECK(ondrel::fuzz::SameBytes(read.text.data(), body + start, read.text.size()));
                reference.Skip(read.text.size());
                reference.Skip(1); // the terminator, when there is one
                FUZZ_CHECK(reader.Position() == reference.Position());
                break;
            }
            case 7:
            case 8: {
                // The length comes from the op byte itself, so short and long asks both occur.
                const std::size_t n = op / 10;
                const std::size_t start = reference.Position();
                const bool fits = reference.Skip(n);
                if (op % 10 == 7) {
                    const auto read = reader.ReadBytes(n);
                    FUZZ_CHECK(read.exhausted == !fits);
                    FUZZ_CHECK(read.bytes.size() == (fits ? n : 0));
                    FUZZ_CHECK(ondrel::fuzz::SameBytes(read.bytes.data(), body + start, read.bytes.size()));
                } else {
                    const uint8_t* span = reader.ReadSpan(n);
                    FUZZ_CHECK((span != nullptr) == fits);
                    if (span != nullptr && n > 0) {
                        FUZZ_CHECK(span == body + start);
                    }
                }
                FUZZ_CHECK(reader.Position() == reference.Position());
                break;
            }
            default: {
                // A length far beyond the body must be refused without moving.
                const std::size_t before = reader.Position();
                FUZZ_CHECK(reader.ReadSpan(static_cast<std::size_t>(-1) - op) == nullptr);
                FUZZ_CHECK(reader.ReadBytes(bodySize + 1).exhausted);
                FUZZ_CHECK(reader.Position() == before);
                break;
            }
            }
            FUZZ_CHECK(reader.Position() <= bodySize);
            FUZZ_CHECK(reader.Remaining() == bodySize - reader.Position());
        }
    });
    return 0;
}
