#pragma once

#include "HandScene.h"
#include "SegmentInfo.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

namespace ondrel::sim {

// What a connection remembers of the frames it issued, so that results can be asked for
// afterwards. Frames are re-rendered from their views, which costs far less memory than
// keeping the pixels.
struct FrameRecord {
    uint32_t frameId = 0;
    HandView view;
};

class RecentFrames {
public:
    static constexpr std::size_t kCapacity = 64;

    void Remember(FrameRecord record)
    {
        if (records.size() == kCapacity) {
            records.pop_front();
        }
        records.push_back(std::move(record));
    }

    const FrameRecord* Find(uint32_t frameId) const
    {
        for (auto it = records.rbegin(); it != records.rend(); ++it) {
            if (it->frameId == frameId) {
                return &*it;
            }
        }
        return nullptr;
    }

private:
    std::deque<FrameRecord> records;
};

} // namespace ondrel::sim
