#include "ScannerResponder.h"

#include "BodyReader.h"
#include "ResponsePayloads.h"

#include <iostream>

namespace ondrel::sim {

namespace {
using quorvel::tcp::BodyReader;
using quorvel::tcp::MessageType;

std::string TypeName(MessageType type)
{
    return quorvel::tcp::MessageTypeToString(type) + " (" + std::to_string(static_cast<uint32_t>(type)) + ")";
}
} // namespace

ScannerResponder::ScannerResponder(SharedScanner& sharedScanner, uint32_t id)
    : shared(sharedScanner)
    , connectionId(id)
    , scene(sharedScanner.Options().width, sharedScanner.Options().height,
            std::chrono::milliseconds(sharedScanner.Options().settleMs), sharedScanner.Options().seed)
{
    scene.SetMissingFingers(sharedScanner.Options().missingFingers);
    scene.SetWrongHandFirst(sharedScanner.Options().wrongHandFirst);
}

OutgoingMessage ScannerResponder::Ok(MessageType type)
{
    return OutgoingMessage(Message(type));
}

OutgoingMessage ScannerResponder::Text(MessageType type, const std::string& text)
{
    return OutgoingMessage(Message(type, text));
}

OutgoingMessage ScannerResponder::Error(MessageType type, const std::string& text)
{
    return OutgoingMessage(ErrorResponse(type, text));
}

OutgoingMessage ScannerResponder::Respond(Message& request)
{
    const MessageType type = request.header.id;
    if (shared.Options().verbose) {
        std::cerr << "[" << connectionId << "] " << TypeName(type) << ", " << request.body.size() << " body bytes"
                  << std::endl;
    }
    if (shared.Faults().errorTypes.count(type) != 0) {
        return Error(type, "simulated failure of " + quorvel::tcp::MessageTypeToString(type));
    }
    try {
        switch (type) {
        case MessageType::START_CAPTURE_MODE:
            return StartCaptureMode(request);
        case MessageType::STOP_CAPTURE_MODE:
            return StopCaptureMode(request);
        case MessageType::PLAY_SOUND:
            return PlaySound(request);
        case MessageType::CAPTURE:
            return Capture(request);
        case MessageType::GET_FINAL_FRAME:
            return FinalFrame(request);
        case MessageType::GET:
            return Get(request);
        case MessageType::AUTH_REQUEST:
            return AuthRequest(request);
        case MessageType::AUTH_RESPONSE:
            return AuthResponse(request);
        case MessageType::UPDATE_FIRMWARE:
            return UpdateFirmware(request);
        case MessageType::GET_SERIALNUMBER:
            return Text(type, "ONDREL-SIM-0001");
        case MessageType::GET_FIRMWARE_VERSION:
            return Text(type, "0.2.1-sim");
        case MessageType::GET_NAME:
            return Text(type, "ondrel-sim");
        case MessageType::GET_MANUFACTURER:
            return Text(type, "Quorvel GmbH");
        case MessageType::PING:
        case MessageType::LED_ON:
        case MessageType::LED_OFF:
            return Ok(type);
        default:
            break;
        }
    } catch (const std::exception& e) {
        // Whatever goes wrong inside, the client still gets its one response.
        return Error(type, std::string("device failure: ") + e.what());
    }
    return Error(type, "message type " + TypeName(type) + " is not served");
}

OutgoingMessage ScannerResponder::StartCaptureMode(const Message& request)
{
    captureMode = true;
    scene.Restart(HandScene::Clock::now());
    return Ok(request.header.id);
}

OutgoingMessage ScannerResponder::StopCaptureMode(const Message& request)
{
    captureMode = false;
    return Ok(request.header.id);
}

OutgoingMessage ScannerResponder::PlaySound(const Message& request)
{
    const uint32_t sound = BodyReader(request.body).Read<uint32_t>();
    // The sound tells the person that this hand is done.
    scene.NextHand(HandScene::Clock::now());
    if (shared.Options().verbose) {
        std::cerr << "[" << connectionId << "] sound " << sound << ", next: " << HandKindName(scene.Hand())
                  << std::endl;
    }
    return Ok(request.header.id);
}

OutgoingMessage ScannerResponder::Capture(const Message& request)
{
    if (!captureMode) {
        return Error(request.header.id, "not in capture mode");
    }
    const uint32_t frameId = shared.NextFrameId();
    if (const PreparedFrame* prepared = shared.Prepared()) {
        frames.Remember({frameId, prepared->View()});
        return prepared->Frame(frameId);
    }
    FrameRecord record{frameId, scene.ViewAt(HandScene::Clock::now())};
    OutgoingMessage response(FrameResponse(frameId, shared.Synthesizer(), record.view, shared.Faults().hostile));
    frames.Remember(std::move(record));
    return response;
}

const FrameRecord* ScannerResponder::IssuedFrame(BodyReader& reader, std::string& error) const
{
    if (reader.Remaining() < 4) {
        error = "frame id missing";
        return nullptr;
    }
    const uint32_t frameId = reader.Read<uint32_t>();
    const FrameRecord* record = frames.Find(frameId);
    if (record == nullptr) {
        error = "unknown frame id " + std::to_string(frameId);
    }
    return record;
}

OutgoingMessage ScannerResponder::FinalFrame(const Message& request)
{
    BodyReader reader(request.body);
    std::string error;
    const FrameRecord* record = IssuedFrame(reader, error);
    if (record == nullptr) {
        return Error(request.header.id, error);
    }
    if (const PreparedFrame* prepared = shared.Prepared()) {
        return prepared->FinalImage();
    }
    return OutgoingMessage(
        FinalImageResponse(shared.Synthesizer(), record->view, shared.Faults().hostile, shared.Options().degradations));
}

OutgoingMessage ScannerResponder::Get(const Message& request)
{
    BodyReader reader(request.body);
    const std::string key = reader.ReadString().text;
    const MessageType type = request.header.id;
    if (key == "auth_group") {
        return Text(type, grantedLevel);
    }
    if (key == "calib_file") {
        Message response(type);
        const auto& file = shared.CalibrationFile();
        response.AppendBytes(file.data(), file.size());
        return OutgoingMessage(std::move(response));
    }
    if (key == "raw_images" || key == "final_segments") {
        std::string error;
        const FrameRecord* record = IssuedFrame(reader, error);
        if (record == nullptr) {
            return Error(type, error);
        }
        const PreparedFrame* prepared = shared.Prepared();
        const HostileKind hostile = shared.Faults().hostile;
        if (key == "raw_images") {
            return prepared ? prepared->RawImages()
                            : OutgoingMessage(RawImagesResponse(shared.Synthesizer(), record->view,
                                                                shared.Options().rawImageCount, hostile));
        }
        return prepared ? prepared->FinalSegments()
                        : OutgoingMessage(FinalSegmentsResponse(record->view.segments, hostile));
    }
    return Error(type, "unknown key '" + key + "'");
}

OutgoingMessage ScannerResponder::AuthRequest(const Message& request)
{
    // A fresh challenge every time; an answer always refers to the latest one.
    challenge = Authenticator::NewChallenge();
    return Text(request.header.id, *challenge);
}

OutgoingMessage ScannerResponder::AuthResponse(const Message& request)
{
    BodyReader reader(request.body);
    const std::string level = reader.ReadString().text;
    // Everything after the name's zero byte is the signature.
    const std::vector<uint8_t> signature(request.body.begin() + static_cast<std::ptrdiff_t>(reader.Position()),
                                         request.body.end());
    std::string reason;
    const bool granted = shared.Auth().Grant(level, challenge ? &*challenge : nullptr, signature, reason);
    if (level != "GUEST") {
        challenge.reset(); // a challenge answers one attempt only
    }
    if (!granted) {
        return Error(request.header.id, "access level " + level + " refused: " + reason);
    }
    grantedLevel = level;
    return Ok(request.header.id);
}

OutgoingMessage ScannerResponder::UpdateFirmware(const Message& request)
{
    if (request.body.empty()) {
        return Error(request.header.id, "firmware image is empty");
    }
    std::string stored = "not stored";
    if (!shared.Options().firmwareDir.empty()) {
        stored = shared.StoreFirmware(request.body);
    }
    if (shared.Options().verbose) {
        std::cerr << "[" << connectionId << "] firmware of " << request.body.size() << " bytes, " << stored
                  << ", restarting" << std::endl;
    }
    OutgoingMessage response = Ok(request.header.id);
    response.restartsDevice = true;
    return response;
}

} // namespace ondrel::sim
