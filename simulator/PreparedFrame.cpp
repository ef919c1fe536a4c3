#include "PreparedFrame.h"

#include "ResponsePayloads.h"

namespace ondrel::sim {

namespace {
SharedBytes Share(quorvel::tcp::Message&& message)
{
    return std::make_shared<const std::vector<uint8_t>>(std::move(message.body));
}

SharedBytes FrameIdBytes(uint32_t frameId)
{
    quorvel::tcp::Message id;
    id.Append(frameId);
    return Share(std::move(id));
}
} // namespace

PreparedFrame::PreparedFrame(const FrameSynthesizer& synthesizer, HandView restingView, uint32_t rawImageCount,
                             HostileKind hostile, const std::vector<Degradation>& degradations)
    : view(std::move(restingView))
{
    quorvel::tcp::Message frame = FrameResponse(0, synthesizer, view, hostile);
    frame.body.erase(frame.body.begin(), frame.body.begin() + 4);
    frameAfterId = Share(std::move(frame));
    finalImage = Share(FinalImageResponse(synthesizer, view, hostile, degradations));
    rawImages = Share(RawImagesResponse(synthesizer, view, rawImageCount, hostile));
    finalSegments = Share(FinalSegmentsResponse(view.segments, hostile));
}

OutgoingMessage PreparedFrame::Frame(uint32_t frameId) const
{
    return OutgoingMessage(quorvel::tcp::MessageType::CAPTURE, false, {FrameIdBytes(frameId), frameAfterId});
}

OutgoingMessage PreparedFrame::FinalImage() const
{
    return OutgoingMessage(quorvel::tcp::MessageType::GET_FINAL_FRAME, false, {finalImage});
}

OutgoingMessage PreparedFrame::RawImages() const
{
    return OutgoingMessage(quorvel::tcp::MessageType::GET, false, {rawImages});
}

OutgoingMessage PreparedFrame::FinalSegments() const
{
    return OutgoingMessage(quorvel::tcp::MessageType::GET, false, {finalSegments});
}

} // namespace ondrel::sim
