// Challenge and level texts, and an AUTH_RESPONSE body coming apart into what was put in.
#include "AuthGroup.h"
#include "BodyReader.h"
#include "FuzzSupport.h"
#include "Message.h"

#include <cstring>
#include <string>
#include <vector>

using namespace quorvel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    const std::vector<uint8_t> body(data, data + size);
    ondrel::fuzz::RunGuarded(size, [&] {
        // Challenge or level name, as the device sends them.
        const auto read = tcp::BodyReader(body).ReadString();
        const std::string& text = read.text;
        FUZZ_CHECK(read.exhausted == body.empty());
        FUZZ_CHECK(text.size() <= body.size() && text.find('\0') == std::string::npos);
        FUZZ_CHECK(ondrel::fuzz::SameBytes(text.data(), body.data(), text.size()));
        FUZZ_CHECK(text.size() == body.size() || body[text.size()] == 0);

        const auto group = AuthGroupFromString(text);
        if (group) {
            FUZZ_CHECK(AuthGroupToString(*group) == text);
        }

        // The answer the client would send for that name with the rest of the body as
        // signature: name and signature come apart where the first zero byte is.
        const std::size_t signatureStart = std::min(text.size() + 1, body.size());
        const std::vector<uint8_t> signature(body.begin() + static_cast<std::ptrdiff_t>(signatureStart), body.end());
        tcp::Message answer(tcp::MessageType::AUTH_RESPONSE, text);
        answer.AppendBytes(signature.data(), signature.size());
        FUZZ_CHECK(answer.header.size == text.size() + 1 + signature.size());

        tcp::BodyReader reader(answer.body);
        FUZZ_CHECK(reader.ReadString().text == text);
        const auto rest = reader.ReadBytes(reader.Remaining());
        FUZZ_CHECK(rest.bytes == signature);
    });
    return 0;
}
