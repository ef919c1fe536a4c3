// Writes the seed corpus of every fuzz target: valid bodies in each response's layout and
// the edge cases around them. Laid out with its own little writer, not the client's
// message code, so the seeds do not inherit a mistake of the code they exercise.
//
//   fuzz_seed_corpus <corpus directory>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

class Body {
public:
    Body& U8(uint8_t v) { return Raw(&v, 1); }
    Body& U32(uint32_t v) { return Le(v, 4); }
    Body& I32(int32_t v) { return Le(static_cast<uint32_t>(v), 4); }
    Body& U64(uint64_t v) { return Le(v, 8); }
    Body& F32(float v)
    {
        uint32_t bits;
        static_assert(sizeof bits == sizeof v);
        std::memcpy(&bits, &v, sizeof bits);
        return U32(bits);
    }
    Body& Text(const std::string& s) { return Raw(reinterpret_cast<const uint8_t*>(s.data()), s.size()); }
    Body& CText(const std::string& s) { return Text(s).U8(0); }
    Body& Fill(std::size_t n, uint8_t v)
    {
        bytes.insert(bytes.end(), n, v);
        return *this;
    }
    Body& Raw(const uint8_t* p, std::size_t n)
    {
        bytes.insert(bytes.end(), p, p + n);
        return *this;
    }
    Body& Append(const Bytes& other) { return Raw(other.data(), other.size()); }

    // An image block whose pixels count up from `seed`.
    Body& Image(uint32_t type, uint32_t cols, uint32_t rows, std::size_t elemSize, uint8_t seed = 0)
    {
        const uint64_t count = static_cast<uint64_t>(cols) * rows * elemSize;
        U64(count).U32(type).U32(cols).U32(rows);
        for (uint64_t i = 0; i < count; ++i) {
            U8(static_cast<uint8_t>(seed + i));
        }
        return *this;
    }
    Body& ImageHeader(uint64_t byteCount, uint32_t type, uint32_t cols, uint32_t rows)
    {
        return U64(byteCount).U32(type).U32(cols).U32(rows);
    }
    Body& Segment(int32_t x, int32_t y, int32_t w, int32_t h, float distance, float mx, float my, float mz)
    {
        return I32(x).I32(y).I32(w).I32(h).F32(distance).F32(mx).F32(my).F32(mz);
    }

    Bytes bytes;

private:
    Body& Le(uint64_t v, int width)
    {
        for (int i = 0; i < width; ++i) {
            bytes.push_back(static_cast<uint8_t>(v >> (8 * i)));
        }
        return *this;
    }
};

Bytes Header(uint32_t id, uint32_t size, uint8_t error, uint8_t pad = 0)
{
    return Body().U32(id).U32(size).U8(error).U8(pad).U8(pad).U8(pad).bytes;
}

void Write(const fs::path& dir, const std::string& name, const Bytes& bytes)
{
    fs::create_directories(dir);
    std::ofstream out(dir / name, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

Bytes FrameBody35()
{
    return Body().U32(7).Image(0, 3, 2, 1).U8(0xEE).I32(0).bytes;
}

Bytes LiveFrame(uint32_t frameId, int segments)
{
    Body body;
    body.U32(frameId).Image(0, 64, 48, 1, 40).U8(1).I32(segments);
    for (int i = 0; i < segments; ++i) {
        body.Segment(4 + 14 * i, 10 + i, 12, 20, 95.5f + i, 0.5f, -0.25f, 1.0f).Fill(6, 0xA5);
    }
    return body.bytes;
}

Bytes FinalSegments(int32_t count, int present)
{
    Body body;
    body.I32(count);
    for (int i = 0; i < present; ++i) {
        body.Segment(100 * i, 50, 80, 120, 101.0f, 0.0f, 0.0f, -0.5f);
    }
    return body.bytes;
}

void Generate(const fs::path& root)
{
    const fs::path header = root / "header";
    Write(header, "connected", Header(5, 0, 0));
    Write(header, "start_capture_mode", Header(100, 0, 0));
    Write(header, "get_auth_group", Body().Append(Header(10, 11, 0)).CText("auth_group").bytes);
    Write(header, "error_byte_two_with_padding", Header(128, 4, 2, 0x7F));
    Write(header, "announces_4_gib", Header(129, 0xFFFFFFFFu, 0));
    Write(header, "unnamed_type", Header(403, 3, 1));

    const fs::path reader = root / "body_reader";
    // Body length (2 bytes), body, then one read per byte: 0 u8, 1 u16, 2 i32, 3 u64,
    // 4 float, 5 double, 6 string, 7/8 bytes/span of op/10, 9 oversized ask.
    Write(reader, "three_strings", Body().U8(7).U8(0).Text("abc").U8(0).Text("def").U8(6).U8(6).U8(6).bytes);
    Write(reader, "short_int_then_bytes", Body().U8(3).U8(0).Text("xyz").U8(2).U8(37).U8(0).bytes);
    Write(reader, "every_width", Body().U8(32).U8(0).Fill(32, 0x81).U8(0).U8(1).U8(2).U8(3).U8(4).U8(5).U8(9).U8(58).bytes);
    Write(reader, "empty_body", Body().U8(0).U8(0).U8(6).U8(7).U8(8).U8(2).bytes);

    const fs::path frame = root / "frame";
    Write(frame, "frame_35_bytes", FrameBody35());
    Write(frame, "one_segment", Body().U32(8).Image(0, 2, 2, 1).U8(0).I32(1).Segment(1, 2, 3, 4, 5.f, 6.f, 7.f, 8.f).Fill(6, 0xFF).bytes);
    Write(frame, "segment_count_minus_one", Body().U32(9).Image(0, 1, 1, 1).U8(0).I32(-1).bytes);
    Write(frame, "two_counted_one_present", Body().U32(9).Image(0, 1, 1, 1).U8(0).I32(2).Segment(1, 1, 1, 1, 1.f, 0.f, 0.f, 0.f).Fill(6, 0).bytes);
    Write(frame, "live_four_fingers", LiveFrame(42, 4));
    Write(frame, "short_body", Body().U8(7).U8(0).bytes);
    Write(frame, "colour_image", Body().U32(3).Image(16, 2, 2, 3).U8(0).I32(0).bytes);
    Write(frame, "byte_count_too_small", Body().U32(3).ImageHeader(5, 0, 3, 2).Fill(6, 1).U8(0).I32(0).bytes);
    Write(frame, "byte_count_beyond_body", Body().U32(3).ImageHeader(1000, 0, 10, 100).Fill(16, 1).bytes);
    Write(frame, "unbuildable_type", Body().U32(3).ImageHeader(6, 4096, 3, 2).Fill(6, 1).U8(0).I32(0).bytes);
    Write(frame, "huge_segment_count", Body().U32(3).Image(0, 1, 1, 1).U8(0).I32(0x7FFFFFFF).Fill(76, 0).bytes);

    const fs::path finalImage = root / "final_image";
    Write(finalImage, "twenty_zero_bytes", Body().Fill(20, 0).bytes);
    Write(finalImage, "grey_3x2", Body().Image(0, 3, 2, 1).bytes);
    Write(finalImage, "float_2x2", Body().Image(5, 2, 2, 4).bytes);
    Write(finalImage, "half_float_four_channels", Body().Image(31, 2, 1, 8).bytes);
    Write(finalImage, "grey_64x48", Body().Image(0, 64, 48, 1, 7).bytes);
    Write(finalImage, "announces_4_gib", Body().ImageHeader(0xFFFFFFFFull, 0, 0x10000, 0xFFFF).Fill(64, 3).bytes);
    Write(finalImage, "shape_overflows", Body().ImageHeader(0, 4095, 0x7FFFFFFF, 0x7FFFFFFF).bytes);
    Write(finalImage, "rows_beyond_int", Body().ImageHeader(0, 0, 0, 0x80000000u).bytes);
    Write(finalImage, "zero_rows_with_bytes", Body().ImageHeader(4, 0, 4, 0).Fill(4, 9).bytes);
    Write(finalImage, "type_4096", Body().ImageHeader(1, 4096, 1, 1).U8(1).bytes);
    Write(finalImage, "last_type_4095", Body().Image(4095, 1, 1, 512 * 2).bytes);

    const fs::path raw = root / "raw_images";
    Write(raw, "count_zero", Body().I32(0).bytes);
    Write(raw, "two_1x1", Body().I32(2).Image(0, 1, 1, 1, 10).Image(0, 1, 1, 1, 20).bytes);
    Write(raw, "two_counted_one_present", Body().I32(2).Image(0, 1, 1, 1).bytes);
    Write(raw, "count_minus_five", Body().I32(-5).Image(0, 1, 1, 1).bytes);
    Write(raw, "count_max", Body().I32(0x7FFFFFFF).Fill(40, 0).bytes);
    Write(raw, "mixed_types", Body().I32(3).Image(0, 4, 3, 1).Image(2, 2, 2, 2).Image(16, 1, 2, 3).bytes);
    Write(raw, "many_empty", Body().I32(50).Fill(50 * 20, 0).bytes);
    Write(raw, "second_header_cut_short", Body().I32(2).Image(0, 4, 3, 1).Fill(19, 0).bytes);
    Write(raw, "second_block_lies", Body().I32(2).Image(0, 2, 1, 1).ImageHeader(100, 0, 10, 10).Fill(10, 0).bytes);

    const fs::path segments = root / "final_segments";
    Write(segments, "empty_body", {});
    Write(segments, "count_zero", FinalSegments(0, 0));
    Write(segments, "one_record", FinalSegments(1, 1));
    Write(segments, "two_counted_one_present", FinalSegments(2, 1));
    Write(segments, "count_minus_one", FinalSegments(-1, 1));
    Write(segments, "four_records", FinalSegments(4, 4));
    Write(segments, "count_max", Body().I32(0x7FFFFFFF).Fill(64, 0xFF).bytes);

    const fs::path auth = root / "auth_texts";
    Write(auth, "guest", Body().CText("GUEST").bytes);
    Write(auth, "dev", Body().CText("DEV").bytes);
    Write(auth, "admin_with_signature", Body().CText("ADMIN").Fill(72, 0x30).bytes);
    Write(auth, "empty", {});
    Write(auth, "unterminated_challenge", Body().Text("3f9a1c0b").bytes);
    Write(auth, "challenge", Body().CText("a8c1e54f0d7b29963e10c4d2b8f7a6e5").bytes);
    Write(auth, "lower_case_guest", Body().CText("guest").CText("more").bytes);

    // Device: operation byte (0 Start, 1 GetFrame, 2 GetFinalImage, 3 GetRawImages,
    // 4 GetFinalSegmentInfos, 5 GetCalibrationFile, 6 RequestValidation, 7 SendAuthResponse,
    // 8 GetCurrentAuthGroup, 9 UploadFirmware), error flag, then the response body.
    const fs::path device = root / "device";
    Write(device, "start_ok", Body().U8(0).U8(0).bytes);
    Write(device, "start_refused", Body().U8(0).U8(1).CText("capture mode not available").bytes);
    Write(device, "frame", Body().U8(1).U8(0).Append(FrameBody35()).bytes);
    Write(device, "frame_refused", Body().U8(1).U8(1).CText("not in capture mode").bytes);
    Write(device, "frame_bad_block", Body().U8(1).U8(0).U32(1).ImageHeader(7, 0, 3, 2).Fill(7, 0).bytes);
    Write(device, "final_image", Body().U8(2).U8(0).Image(0, 3, 2, 1).bytes);
    Write(device, "raw_images", Body().U8(3).U8(0).I32(2).Image(0, 1, 1, 1).Image(0, 1, 1, 1).bytes);
    Write(device, "raw_images_refused", Body().U8(3).U8(1).CText("unknown frame").Text("tail").bytes);
    Write(device, "final_segments", Body().U8(4).U8(0).Append(FinalSegments(2, 2)).bytes);
    Write(device, "final_segments_short", Body().U8(4).U8(0).Append(FinalSegments(2, 1)).bytes);
    Write(device, "calibration", Body().U8(5).U8(0).Text("[calibration]\nfx=1200.5\n").bytes);
    Write(device, "challenge", Body().U8(6).U8(0).CText("0123456789abcdef").bytes);
    Write(device, "challenge_refused", Body().U8(6).U8(1).CText("busy").U8(0x41).bytes);
    Write(device, "auth_refused", Body().U8(7).U8(1).CText("bad signature").bytes);
    Write(device, "auth_group", Body().U8(8).U8(0).CText("DEV").bytes);
    Write(device, "firmware_refused", Body().U8(9).U8(1).CText("image rejected").bytes);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <corpus directory>\n", argv[0]);
        return 2;
    }
    Generate(argv[1]);
    return 0;
}
