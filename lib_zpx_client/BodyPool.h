#pragma once

#include <opencv2/core.hpp>

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace quorvel {

// Message bodies that their readers are done with, kept for the next large body a
// connection receives: reading a live frame into a buffer that already has the size saves
// the page faults, zero-filling and copies of growing a fresh one every frame.
// Any thread may give or take.
class BodyPool {
public:
    // A spare body (its old bytes are to be overwritten), or an empty vector.
    std::vector<uint8_t> Take();
    // Keeps body for reuse, unless enough spares wait already.
    void Give(std::vector<uint8_t> body);

    static constexpr std::size_t kMaxSpares = 2;

private:
    std::mutex mutex;
    std::vector<std::vector<uint8_t>> spares;
};

// Turns view, a matrix over bytes inside body, into a matrix that owns body: no pixel is
// copied. When the last matrix sharing it is released, on whatever thread, body goes back
// to pool if the pool still exists. Matrices later created from it (create(), clone())
// get ordinary memory.
cv::Mat AdoptBody(std::vector<uint8_t>&& body, const cv::Mat& view, std::weak_ptr<BodyPool> pool);

} // namespace quorvel
