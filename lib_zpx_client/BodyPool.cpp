#include "BodyPool.h"

namespace quorvel {

std::vector<uint8_t> BodyPool::Take()
{
    std::vector<uint8_t> body;
    std::scoped_lock lock(mutex);
    if (!spares.empty()) {
        body.swap(spares.back());
        spares.pop_back();
    }
    return body;
}

void BodyPool::Give(std::vector<uint8_t> body)
{
    std::scoped_lock lock(mutex);
    if (spares.size() < kMaxSpares && body.capacity() > 0) {
        spares.push_back(std::move(body));
    }
    // Otherwise body is freed here, on leaving.
}

namespace {

struct AdoptedBody {
    std::vector<uint8_t> bytes;
    std::weak_ptr<BodyPool> pool;
};

// Owner of adopted bodies in OpenCV's reference counting. Only the release path is its
// own; allocations made through a matrix that carries it go to OpenCV's standard allocator.
class AdoptedBodyAllocator final : public cv::MatAllocator {
public:
    cv::UMatData* allocate(int dims, const int* sizes, int type, void* data, size_t* step, cv::AccessFlag flags,
                           cv::UMatUsageFlags usage) const override
    {
        return cv::Mat::getStdAllocator()->allocate(dims, sizes, type, data, step, flags, usage);
    }

    bool allocate(cv::UMatData* data, cv::AccessFlag flags, cv::UMatUsageFlags usage) const override
    {
        return cv::Mat::getStdAllocator()->allocate(data, flags, usage);
    }

    void deallocate(cv::UMatData* data) const override
    {
        if (data == nullptr) {
            return;
        }
        std::unique_ptr<AdoptedBody> body(static_cast<AdoptedBody*>(data->userdata));
        delete data;
        if (body) {
            if (const std::shared_ptr<BodyPool> pool = body->pool.lock()) {
                pool->Give(std::move(body->bytes));
            }
        }
    }
};

const AdoptedBodyAllocator& Allocator()
{
    // Never destroyed: a matrix released during static destruction still finds it.
    static const AdoptedBodyAllocator* const allocator = new AdoptedBodyAllocator;
    return *allocator;
}

} // namespace

cv::Mat AdoptBody(std::vector<uint8_t>&& body, const cv::Mat& view, std::weak_ptr<BodyPool> pool)
{
    if (view.empty()) {
        return {};
    }
    CV_Assert(view.datastart >= body.data() && view.dataend <= body.data() + body.size());
    auto adopted = std::make_unique<AdoptedBody>(AdoptedBody{std::move(body), std::move(pool)});

    // The view's header stays; only who owns the bytes changes. Moving the vector kept
    // its buffer, so view still points into it.
    cv::Mat owner = view;
    auto data = std::make_unique<cv::UMatData>(&Allocator());
    data->data = data->origdata = adopted->bytes.data();
    data->size = adopted->bytes.size();
    data->refcount = 1;
    data->userdata = adopted.release();
    owner.u = data.release();
    owner.allocator = const_cast<AdoptedBodyAllocator*>(&Allocator());
    return owner;
}

} // namespace quorvel
