// Authentication: challenge, signed answer, and the level the device grants.
#include "Device.h"
#include "OperationGuard.h"
#include "SslUtil.h"

#include "BodyReader.h"

namespace quorvel {

DeviceError Device::Authenticate(std::string authGroup, std::string privateKeyFile)
{
    return Guarded("quorvel::Device::Authenticate", [&]() -> DeviceError {
        if (authGroup == "GUEST") {
            return SendAuthResponse(authGroup, {});
        }
        std::string challenge;
        DeviceError result = RequestValidation(challenge);
        if (result.failed()) {
            return result;
        }
        const std::vector<uint8_t> signature = SignChallenge(challenge, privateKeyFile);
        if (signature.empty()) {
            return {DeviceError::EXCEPTION, "error creating signature"};
        }
        return SendAuthResponse(authGroup, signature);
    });
}

DeviceError Device::RequestValidation(std::string& challenge)
{
    return Guarded("quorvel::Device::RequestValidation", [&]() -> DeviceError {
        tcp::Message response;
        DeviceError result = Request(
            tcp::Message(tcp::MessageType::AUTH_REQUEST),
            Exchange("quorvel::Device::RequestValidation").TimeLimitMs(10000).Text(ErrorText::NameAndBody), response);
        if (result.failed()) {
            return result;
        }
        challenge = tcp::BodyReader(response.body).ReadString().text;
        return DeviceError::Ok();
    });
}

DeviceError Device::SendAuthResponse(const std::string& authGroup, const std::vector<uint8_t>& signature)
{
    return Guarded("quorvel::Device::SendAuthResponse", [&]() -> DeviceError {
        tcp::Message request(tcp::MessageType::AUTH_RESPONSE, authGroup);
        request.AppendBytes(signature.data(), signature.size());
        tcp::Message response;
        return Request(request,
                       Exchange("quorvel::Device::SendAuthResponse")
                           .TimeLimitMs(10000)
                           .Text(ErrorText::Fixed, "Authentification as " + authGroup + " failed."),
                       response);
    });
}

DeviceError Device::GetCurrentAuthGroup(std::string& authGroup)
{
    return Guarded("quorvel::Device::GetCurrentAuthGroup", [&]() -> DeviceError {
        tcp::Message response;
        DeviceError result = Request(
            tcp::Message(tcp::MessageType::GET, "auth_group"),
            Exchange("quorvel::Device::GetCurrentAuthGroup").TimeLimitMs(10000).Text(ErrorText::NameAndBody), response);
        if (result.failed()) {
            return result;
        }
        authGroup = tcp::BodyReader(response.body).ReadString().text;
        return DeviceError::Ok();
    });
}

} // namespace quorvel
