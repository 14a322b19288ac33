// The main-content choice's measuring (PageRecorder) beside the page's
// reading: on a large page it takes a fifth to a third of the time, and
// the second core has little else to do. What the recorder would be given
// is written into batches that a thread of its own reads, in order, while
// the page is read on; the records come out the same.
//
// A page begins measured in place, call by call: a thread costs more than
// a small page's measuring, so it is started only once the page has given
// a quarter of a million units of text (RecorderThreading).
//
// On the thread the recorder owns what it changes, its own reference reader
// among them (a reader keeps a cache of the names it looked up). It shares
// the output form with the layout, whose codec is then asked from either
// thread (see ByteCodec); what the recorder reads it never counts among the
// characters lost. Its answers (records, facts) are read only after Finish.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "html/elements.h"
#include "html/reference_reader.h"
#include "html/tokenizer.h"
#include "maincontent/page_recorder.h"
#include "text/scan.h"

namespace engine::maincontent {

// When the thread starts: past `thread_after` units of text measured in
// place (0: from the page's start), in batches of `batch_text` units.
// Tests make both small, to cut small pages into many batches.
struct RecorderThreading {
  std::size_t thread_after = std::size_t(256) << 10;
  std::size_t batch_text = std::size_t(64) << 10;
};
RecorderThreading RecorderThreadingNow();
void SetRecorderThreading(const RecorderThreading& threading);

template <typename Char>
class RecorderThread {
 public:
  using String = std::basic_string<Char>;
  using View = std::basic_string_view<Char>;
  using Token = HtmlTag<Char>;

  RecorderThread(const scan::LeadBytes* leads, const ReferenceReader<Char>& references,
                 const OutputForm<Char>& form);
  RecorderThread(const RecorderThread&) = delete;
  RecorderThread& operator=(const RecorderThread&) = delete;
  // Stops the thread, what it was given left unread.
  ~RecorderThread();

  // As PageRecorder's.
  void Text(View run) {
    if (!batch_) {
      recorder_.Text(run);
      if ((in_place_ += run.size()) >= thread_after_) Start();
      return;
    }
    Add(Kind::kText, run);
  }
  void Reference(char32_t first, char32_t second) {
    if (!batch_) return recorder_.Reference(first, second);
    Add(Kind::kReference, View(), std::uint64_t{first} | std::uint64_t{second} << 32);
  }
  void Space() {
    if (!batch_) return recorder_.Space();
    Add(Kind::kSpace, View());
  }
  // A start or end tag (PageRecorder::Start takes both).
  void Tag(const Token& tag, const html::Element& element) {
    if (!batch_) return recorder_.Start(tag, element);
    AddTag(Kind::kTag, tag);
  }
  // While the thread measures, the recorder's answer is not known here:
  // every title and JSON-LD script is read, and the recorder keeps only
  // what it would have asked for.
  bool Captures(const Token& tag, const html::Element& element);
  void Captured(View run) {
    if (!batch_) return recorder_.Captured(run);
    Add(Kind::kCaptured, run);
  }
  void CapturedReference(char32_t first, char32_t second) {
    if (!batch_) return recorder_.CapturedReference(first, second);
    Add(Kind::kCapturedReference, View(), std::uint64_t{first} | std::uint64_t{second} << 32);
  }

  // The page's end: waits for the thread, throws what it threw, and ends
  // the recorder's page.
  void Finish();
  PageRecorder<Char>& recorder() { return recorder_; }
  const PageRecorder<Char>& recorder() const { return recorder_; }

  // Characters held (the recorder's, once the thread has caught up).
  std::size_t Held() const;

 private:
  static constexpr std::size_t kBatchEvents = std::size_t(8) << 10;
  static constexpr std::size_t kMostWaiting = 4;  // batches written, not yet read

  enum class Kind : std::uint8_t {
    kText,
    kSpace,
    kReference,
    kTag,
    kCapture,
    kCaptured,
    kCapturedReference
  };
  // Text: `at` and `size` in the batch's text (an attribute's value too); a
  // reference's code points, or a tag's key, in `value`; a tag's
  // attributes: `size` of them from `at` in the batch's attributes.
  struct Event {
    Kind kind;
    bool end = false;
    bool self_closing = false;
    std::uint32_t at = 0, size = 0;
    std::uint64_t value = 0;
  };
  struct Attribute {
    std::uint64_t key;
    std::uint32_t at, size;
    bool cut;
  };
  struct Batch {
    std::vector<Event> events;
    std::vector<Attribute> attributes;
    String text;
    void Clear() {
      events.clear();
      attributes.clear();
      text.clear();
    }
  };

  std::uint32_t Keep(View text) {
    const auto at = static_cast<std::uint32_t>(batch_->text.size());
    batch_->text.append(text);
    return at;
  }
  void Add(Kind kind, View text, std::uint64_t value = 0) {
    Event& e = batch_->events.emplace_back();
    e.kind = kind;
    e.at = Keep(text);
    e.size = static_cast<std::uint32_t>(text.size());
    e.value = value;
    if (batch_->text.size() >= batch_text_ || batch_->events.size() >= kBatchEvents) Hand();
  }
  void AddTag(Kind kind, const Token& tag);
  // Starts the thread (or, where none can be started, goes on in place).
  void Start();
  // The batch written goes to the thread; an empty one comes back.
  void Hand();
  void Run();
  void Replay(const Batch& batch);
  void Stop();

  // What the thread changes apart from what the page's reading does, a
  // cache line or more each: sharing one would cost the reading a miss on
  // nearly every call.
  alignas(64) PageRecorder<Char> recorder_;
  Token token_;  // a tag read back, on the thread
  alignas(64) const std::size_t thread_after_, batch_text_;
  std::size_t in_place_ = 0;      // units of text measured in place
  std::unique_ptr<Batch> batch_;  // being written (null: measured in place)

  alignas(64) mutable std::mutex mutex_;
  mutable std::condition_variable work_, done_;
  std::deque<std::unique_ptr<Batch>> waiting_;
  std::vector<std::unique_ptr<Batch>> spare_;
  bool reading_ = false;  // the thread is reading a batch
  bool closing_ = false;
  std::exception_ptr failure_;
  std::thread thread_;
};

}  // namespace engine::maincontent
