#pragma once

#include "BodyReader.h"
#include "Message.h"
#include "SegmentInfo.h"

#include <opencv2/core/mat.hpp>

#include <cstdint>
#include <vector>

namespace quorvel {

// Decoders of the device's response bodies. They trust nothing: every length, count and
// element type is checked against what the body really holds, and none ever reads past it.
// Each returns false when the body is malformed (outputs may then be partly written);
// none throws except for an allocation failure.

using tcp::kFinalSegmentRecordSize;
using tcp::kImageBlockHeaderSize;
using tcp::kLiveSegmentRecordSize;

// Reads one ImageBlock at the reader's cursor into `view`, a matrix header over the body's
// bytes (no copy). Accepted only when the type is one OpenCV can build and the byte count
// equals rows x cols x element size with that many bytes left. Zero rows or cols with a
// byte count of 0 gives an empty matrix.
bool ReadImageBlock(tcp::BodyReader& reader, cv::Mat& view);

// Reads one SegmentInfo (32 bytes) at the cursor.
SegmentInfo ReadSegmentInfo(tcp::BodyReader& reader);

// The CAPTURE response: frame id, image block, one skipped byte, int32 count, 38-byte records.
// `image` receives its own copy of the pixels.
bool DecodeFrame(const std::vector<uint8_t>& body, cv::Mat& image, std::vector<SegmentInfo>& segmentInfos,
                 uint32_t& frameId);
// The same, with `view` a matrix header over the body's own bytes (no copy).
bool DecodeFrameView(const std::vector<uint8_t>& body, cv::Mat& view, std::vector<SegmentInfo>& segmentInfos,
                     uint32_t& frameId);
// The GET_FINAL_FRAME response: one image block.
bool DecodeFinalImage(const std::vector<uint8_t>& body, cv::Mat& image);
// The "raw_images" response: int32 count, then image blocks; each image is a deep copy.
bool DecodeRawImages(const std::vector<uint8_t>& body, std::vector<cv::Mat>& rawImages);
// The "final_segments" response: int32 count, then 32-byte records.
bool DecodeFinalSegments(const std::vector<uint8_t>& body, std::vector<SegmentInfo>& segmentInfos);

} // namespace quorvel
