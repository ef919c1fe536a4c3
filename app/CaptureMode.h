#pragma once

#include <cstdint>

// What one workflow step captures. The values are fixed; the workflow runs them in the
// order Right4, Left4, Thumbs2.
enum CaptureMode : int32_t {
    Right4 = 0,  // four fingers of the right hand, directory "4R"
    Thumbs2 = 1, // the two thumbs, directory "2T"
    Left4 = 2,   // four fingers of the left hand, directory "4L"
};

// "4R", "2T", "4L", or "unknown" for any other value.
inline const char* CaptureModeDirectoryName(int32_t mode)
{
    switch (mode) {
    case Right4:
        return "4R";
    case Thumbs2:
        return "2T";
    case Left4:
        return "4L";
    default:
        return "unknown";
    }
}
