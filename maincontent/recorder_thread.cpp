#include "maincontent/recorder_thread.h"

#include <algorithm>
#include <atomic>
#include <system_error>
#include <utility>

namespace engine::maincontent {
namespace {

std::atomic<std::size_t> thread_after{RecorderThreading().thread_after};
std::atomic<std::size_t> batch_text{RecorderThreading().batch_text};

}  // namespace

RecorderThreading RecorderThreadingNow() {
  return {thread_after.load(), batch_text.load()};
}

void SetRecorderThreading(const RecorderThreading& threading) {
  thread_after = threading.thread_after;
  batch_text = std::max<std::size_t>(threading.batch_text, 1);
}

template <typename Char>
RecorderThread<Char>::RecorderThread(const scan::LeadBytes* leads,
                                     const ReferenceReader<Char>& references,
                                     const OutputForm<Char>& form)
    : recorder_(leads, references, form),
      thread_after_(thread_after.load()),
      batch_text_(batch_text.load()) {
  if (thread_after_ == 0) Start();
}

template <typename Char>
RecorderThread<Char>::~RecorderThread() {
  Stop();
}

template <typename Char>
bool RecorderThread<Char>::Captures(const Token& tag, const html::Element& element) {
  if (!batch_) return recorder_.Captures(tag, element);
  if (!PageRecorder<Char>::MayCapture(tag)) return false;
  AddTag(Kind::kCapture, tag);
  return true;
}

template <typename Char>
void RecorderThread<Char>::AddTag(Kind kind, const Token& tag) {
  const auto first = static_cast<std::uint32_t>(batch_->attributes.size());
  for (const auto& a : tag.attributes()) {
    if (!PageRecorder<Char>::Keeps(tag, a.key)) continue;
    const View value(a.value);
    batch_->attributes.push_back(
        {a.key, Keep(value), static_cast<std::uint32_t>(value.size()), a.cut});
  }
  Event& e = batch_->events.emplace_back();
  e.kind = kind;
  e.end = tag.end;
  e.self_closing = tag.self_closing;
  e.at = first;
  e.size = static_cast<std::uint32_t>(batch_->attributes.size()) - first;
  e.value = tag.key;
  if (batch_->text.size() >= batch_text_ || batch_->events.size() >= kBatchEvents) Hand();
}

template <typename Char>
void RecorderThread<Char>::Start() {
  batch_ = std::make_unique<Batch>();
  try {
    thread_ = std::thread([this] { Run(); });
  } catch (const std::system_error&) {
    batch_.reset();
    in_place_ = 0;
  }
}

template <typename Char>
void RecorderThread<Char>::Hand() {
  std::unique_ptr<Batch> empty;
  {
    std::unique_lock lock(mutex_);
    done_.wait(lock, [this] { return waiting_.size() < kMostWaiting || failure_; });
    if (failure_) {
      const std::exception_ptr failure = std::exchange(failure_, nullptr);
      lock.unlock();
      Stop();
      std::rethrow_exception(failure);
    }
    waiting_.push_back(std::move(batch_));
    if (!spare_.empty()) {
      empty = std::move(spare_.back());
      spare_.pop_back();
    }
  }
  work_.notify_one();
  batch_ = empty ? std::move(empty) : std::make_unique<Batch>();
}

template <typename Char>
void RecorderThread<Char>::Run() {
  for (;;) {
    std::unique_ptr<Batch> batch;
    {
      std::unique_lock lock(mutex_);
      work_.wait(lock, [this] { return !waiting_.empty() || closing_; });
      if (waiting_.empty() || failure_) return;
      batch = std::move(waiting_.front());
      waiting_.pop_front();
      reading_ = true;
    }
    std::exception_ptr failure;
    try {
      Replay(*batch);
    } catch (...) {
      failure = std::current_exception();
    }
    batch->Clear();
    {
      std::lock_guard lock(mutex_);
      reading_ = false;
      spare_.push_back(std::move(batch));
      if (failure) failure_ = failure;
    }
    done_.notify_all();
  }
}

template <typename Char>
void RecorderThread<Char>::Replay(const Batch& batch) {
  const View text(batch.text);
  for (const Event& e : batch.events) {
    const View run = text.substr(e.at, e.size);
    const auto first = static_cast<char32_t>(e.value),
               second = static_cast<char32_t>(e.value >> 32);
    switch (e.kind) {
      case Kind::kText:
        recorder_.Text(run);
        break;
      case Kind::kSpace:
        recorder_.Space();
        break;
      case Kind::kReference:
        recorder_.Reference(first, second);
        break;
      case Kind::kCaptured:
        recorder_.Captured(run);
        break;
      case Kind::kCapturedReference:
        recorder_.CapturedReference(first, second);
        break;
      case Kind::kTag:
      case Kind::kCapture: {
        Token& t = token_;
        t.key = e.value;
        t.end = e.end;
        t.self_closing = e.self_closing;
        if (t.slots.size() < e.size) t.slots.resize(e.size);
        t.count = e.size;
        for (std::uint32_t k = 0; k < e.size; ++k) {
          const Attribute& a = batch.attributes[e.at + k];
          t.slots[k].key = a.key;
          t.slots[k].value.assign(text.substr(a.at, a.size));
          t.slots[k].cut = a.cut;
        }
        const html::Element& element = html::ElementOf(t.key);
        if (e.kind == Kind::kTag)
          recorder_.Start(t, element);
        else
          recorder_.Captures(t, element);
        break;
      }
    }
  }
}

template <typename Char>
void RecorderThread<Char>::Finish() {
  if (batch_) {
    if (!batch_->events.empty()) Hand();
    {
      std::unique_lock lock(mutex_);
      done_.wait(lock, [this] { return (waiting_.empty() && !reading_) || failure_; });
    }
    Stop();
    if (failure_) std::rethrow_exception(std::exchange(failure_, nullptr));
  }
  recorder_.Finish();
}

template <typename Char>
void RecorderThread<Char>::Stop() {
  if (!thread_.joinable()) return;
  {
    std::lock_guard lock(mutex_);
    closing_ = true;
    waiting_.clear();
  }
  work_.notify_one();
  thread_.join();
  batch_.reset();
}

template <typename Char>
std::size_t RecorderThread<Char>::Held() const {
  std::size_t batches = 0;
  if (thread_.joinable()) {
    std::unique_lock lock(mutex_);
    done_.wait(lock, [this] { return (waiting_.empty() && !reading_) || failure_; });
    for (const auto& b : spare_) batches += b->text.capacity();
  }
  if (batch_) batches += batch_->text.size();
  return recorder_.Held() + batches;
}

template class RecorderThread<char>;
template class RecorderThread<char16_t>;

}  // namespace engine::maincontent
