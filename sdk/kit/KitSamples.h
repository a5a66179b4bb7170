// KitSamples.h - sample storage of a Tavro device library.
//
//   CurrentFileTime   the acquisition time of a record
//   SampleStore       the samples the library's thread has taken: the
//                     newest one and a bounded queue, read by the host's calls
//   PublishedRecord   the record handed to the host, kept unchanged until
//                     the host's next call
//
// Header-only, C++17 and Win32; builds with MSVC and mingw-w64 alike.
#ifndef TAVRO_KIT_SAMPLES_H
#define TAVRO_KIT_SAMPLES_H

#include "KitWindows.h"

#include <algorithm>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

namespace tavro_kit {

// The current time in FILETIME form (100 ns units since 1601-01-01 UTC), as
// TavroDataRecord::acquisitionTime wants it.
inline uint64_t CurrentFileTime()
{
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return (static_cast<uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
}

// The samples the library's thread has taken and the host has not read yet:
// the newest sample, and a queue of at most `capacity` of the newest ones
// (when it is full, the oldest is dropped to make room). The thread pushes,
// the host's calls read; every member takes the store's lock, so each may be
// called from any thread.
//
// `Sample` is whatever the library keeps of a sample (copied in and out
// under the lock, so keep it small); the record the host gets is built from
// it later, on the host's call (see PublishedRecord).
template <class Sample>
class SampleStore {
public:
    explicit SampleStore(size_t capacity) : capacity_(std::max<size_t>(capacity, 1)) {}

    SampleStore(const SampleStore&) = delete;
    SampleStore& operator=(const SampleStore&) = delete;

    // Forgets every sample, the newest one too.
    void Clear()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        queue_.clear();
        haveLatest_ = false;
    }

    // Queues `sample`, dropping the oldest one if the queue is full, and
    // makes it the newest.
    void Push(const Sample& sample)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (queue_.size() == capacity_) {
            queue_.pop_front();
        }
        queue_.push_back(sample);
        latest_ = sample;
        haveLatest_ = true;
    }

    // The newest sample (for Tavro_GetLastData), which stays queued; false,
    // leaving `sample` alone, before the first one or after Clear().
    bool Latest(Sample& sample)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!haveLatest_) {
            return false;
        }
        sample = latest_;
        return true;
    }

    // For Tavro_GetData: removes the oldest queued sample and gives it, or,
    // once the queue is empty, gives the newest one again; false, leaving
    // `sample` alone, before the first one or after Clear().
    bool PopOldestOrLatest(Sample& sample)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!queue_.empty()) {
            sample = queue_.front();
            queue_.pop_front();
        } else if (haveLatest_) {
            sample = latest_;
        } else {
            return false;
        }
        return true;
    }

    // How many samples are queued (for Tavro_GetAvailableDataCount).
    size_t Count()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return queue_.size();
    }

private:
    const size_t capacity_;
    std::mutex mutex_; // guards the members below
    std::deque<Sample> queue_;
    Sample latest_{};
    bool haveLatest_ = false;
};

// The record that Tavro_GetLastData / Tavro_GetData hand to the host, with
// the value array and the texts of String values. It belongs to the library
// and must stay unchanged until the host's next call, so it is filled only
// on the host's calls (never by the acquisition thread) and refilled on the
// next one.
class PublishedRecord {
public:
    // Sizes the record for `componentCount` values, all zero.
    void Reset(size_t componentCount)
    {
        values_.assign(componentCount, TavroValue());
        texts_.assign(componentCount, std::string());
    }

    size_t Size() const { return values_.size(); }

    // Clears slot `index` (all 8 bytes, so no stale upper bytes remain
    // under a 4-byte value) and returns it for filling.
    TavroValue& Slot(size_t index)
    {
        values_[index] = TavroValue();
        return values_[index];
    }

    // Makes slot `index` a String value holding a copy of `text`.
    void SetText(size_t index, const std::string& text)
    {
        texts_[index] = text;
        Slot(index).stringValue = texts_[index].c_str();
    }

    const TavroDataRecord* Publish(uint64_t acquisitionTime)
    {
        record_.acquisitionTime = acquisitionTime;
        record_.values = values_.empty() ? nullptr : values_.data();
        return &record_;
    }

    TavroDataRecord& Record() { return record_; }

private:
    TavroDataRecord record_ = {0, nullptr};
    std::vector<TavroValue> values_;
    std::vector<std::string> texts_;
};

} // namespace tavro_kit

#endif // TAVRO_KIT_SAMPLES_H
