#include "export/export.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <exception>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "app/cp1250.h"
#include "app/encodings.h"
#include "app/packed_stamp.h"
#include "app/text.h"
#include "app/user_dialogs.h"
#include "export/cell_text.h"
#include "platform/files.h"
#include "platform/system_error.h"

namespace korvan {

namespace {

// A field of at most two digits (stamp fields are 6 bits at most), zero- or space-padded.
inline char* PutTwo(char* p, unsigned n, char pad = '0') {
  p[0] = n < 10 ? pad : static_cast<char>('0' + n / 10 % 10);
  p[1] = static_cast<char>('0' + n % 10);
  return p + 2;
}

// The date field of a row: " 5.03.2006" (10 characters).
inline char* PutDate(char* p, uint32_t stamp) {
  p = PutTwo(p, StampDay(stamp), ' ');
  *p++ = '.';
  p = PutTwo(p, StampMonth(stamp));
  *p++ = '.';
  const auto year = static_cast<unsigned>(StampYear(stamp));  // 2000-2063
  p = PutTwo(p, year / 100);
  return PutTwo(p, year % 100);
}

// "08:07:06", then ".25" (hundredths) when there are sub-seconds.
inline char* PutTime(char* p, uint32_t stamp, uint16_t milliseconds, bool subseconds) {
  p = PutTwo(p, StampHour(stamp));
  *p++ = ':';
  p = PutTwo(p, StampMinute(stamp));
  *p++ = ':';
  p = PutTwo(p, StampSecond(stamp));
  if (subseconds) {
    *p++ = '.';
    p = PutTwo(p, std::min<unsigned>(milliseconds, 999) / 10);
  }
  return p;
}

// The row time of the export with the date's text kept from row to row: it changes once a day.
class RowTimeText {
 public:
  // Writes " 5.03.2006;08:07:06;" (or with ".25") at p, at most 24 characters; returns the end.
  char* Put(char* p, uint32_t stamp, uint16_t milliseconds, bool subseconds) {
    if (StampDayKey(stamp) != day_key_) {
      day_key_ = StampDayKey(stamp);
      PutDate(date_, stamp);
    }
    std::memcpy(p, date_, sizeof date_);
    p += sizeof date_;
    *p++ = ';';
    p = PutTime(p, stamp, milliseconds, subseconds);
    *p++ = ';';
    return p;
  }

 private:
  uint32_t day_key_ = 0xFFFFFFFF;  // no stamp has it
  char date_[10] = {};
};

}  // namespace

namespace {

// Each line's first sample at or after start.
std::vector<uint32_t> StartPositions(const Measurement& measurement, std::span<const int> lines,
                                     uint32_t start) {
  std::vector<uint32_t> positions(lines.size(), 0);
  for (size_t j = 0; j < lines.size(); ++j) {
    const TBuf& buffer = measurement.buffers[static_cast<size_t>(lines[j])];
    SampleCursor cursor;
    LogSample sample;
    uint32_t& position = positions[j];
    while (buffer.Next(cursor, sample) && sample.stamp < start) ++position;
  }
  return positions;
}

}  // namespace

// MergeRows as a walk that hands out one row at a time, so that the export can stop after a
// chunk of rows and go on later.
class RowMerger {
 public:
  RowMerger(Measurement& measurement, std::span<const int> lines, const StampRange& range)
      : RowMerger(measurement, lines, range.end, StartPositions(measurement, lines, range.start)) {}

  // A line's waiting sample is the one at its position, so a position is all of the state.
  RowMerger(Measurement& measurement, std::span<const int> lines, uint32_t end,
            std::span<const uint32_t> position)
      : end_(end),
        subseconds_(measurement.subseconds_present),
        lines_(lines.size()),
        present_(lines.size(), 0),
        raw_(lines.size(), 0) {
    for (size_t j = 0; j < lines.size(); ++j) {
      TBuf& buffer = measurement.buffers[static_cast<size_t>(lines[j])];
      lines_[j].buffer = &buffer;
      buffer.set_cursor(std::min(position[j], buffer.count()));
    }
  }

  void Position(std::span<uint32_t> out) const {
    for (size_t j = 0; j < lines_.size(); ++j) {
      out[j] = lines_[j].buffer->cursor() - (lines_[j].waiting == kNone ? 0 : 1);
    }
  }

  // The next row, or null when the walk has ended.
  const MergedRow* Next() {
    uint64_t least = kNone;
    for (size_t j = 0; j < lines_.size(); ++j) {
      Line& line = lines_[j];
      if (line.waiting == kNone && line.active) {
        LogSample sample;
        if (line.buffer->ReadNext(sample)) {
          line.waiting = uint64_t{sample.stamp} << 16 | (subseconds_ ? sample.milliseconds : 0);
          raw_[j] = sample.raw;
        } else {
          line.active = false;
        }
      }
      least = std::min(least, line.waiting);
    }
    if (least == kNone || least >> 16 > end_) return nullptr;
    for (size_t j = 0; j < lines_.size(); ++j) {
      present_[j] = lines_[j].waiting == least;
      if (present_[j]) lines_[j].waiting = kNone;
    }
    row_ =
        MergedRow{static_cast<uint32_t>(least >> 16), static_cast<uint16_t>(least), present_, raw_};
    return &row_;
  }

 private:
  // A waiting sample's time as one number, stamp above milliseconds, so that the least time
  // (stamp first, then milliseconds) is the least number; kNone is no waiting sample.
  static constexpr uint64_t kNone = ~uint64_t{0};
  struct Line {
    TBuf* buffer = nullptr;
    uint64_t waiting = kNone;
    bool active = true;
  };

  uint32_t end_;
  bool subseconds_;
  std::vector<Line> lines_;
  std::vector<uint8_t> present_;
  std::vector<uint32_t> raw_;
  MergedRow row_;
};

void MergeRows(Measurement& measurement, std::span<const int> lines, const StampRange& range,
               const RowSink& sink) {
  RowMerger merger(measurement, lines, range);
  while (const MergedRow* row = merger.Next()) {
    if (!sink(*row)) return;
  }
}

RowWalk::RowWalk(Measurement& measurement, std::span<const int> lines, const StampRange& range)
    : merger_(std::make_unique<RowMerger>(measurement, lines, range)) {}

RowWalk::RowWalk(Measurement& measurement, std::span<const int> lines, uint32_t range_end,
                 std::span<const uint32_t> position)
    : merger_(std::make_unique<RowMerger>(measurement, lines, range_end, position)) {}

RowWalk::~RowWalk() = default;

const MergedRow* RowWalk::Next() { return merger_->Next(); }

void RowWalk::Position(std::span<uint32_t> out) const { merger_->Position(out); }

void AppendValueCellText(const MeasuredLine& line, uint32_t raw, std::string& out) {
  AppendCellText(line, CellRuleOf(line), raw, '.', out);
}

void AppendPhysicalValueText(const MeasuredLine& line, double value, std::string& out) {
  AppendRuleText(CellRuleOf(line), value, '.', out);
}

std::string ValueCellText(const MeasuredLine& line, uint32_t raw) {
  std::string text;
  AppendValueCellText(line, raw, text);
  return text;
}

void AppendExportRowTime(uint32_t stamp, uint16_t milliseconds, bool subseconds, std::string& out) {
  char text[32];
  out.append(text, RowTimeText().Put(text, stamp, milliseconds, subseconds));
}

std::string TableRowTimeText(uint32_t stamp, uint16_t milliseconds, bool subseconds) {
  char text[32];
  char* p = PutDate(text, stamp);
  *p++ = ',';
  *p++ = ' ';
  p = PutTime(p, stamp, milliseconds, subseconds);
  return std::string(text, p);
}

namespace {

// What formatting a row needs, shared read-only by the threads.
struct RowLayout {
  std::vector<const MeasuredLine*> lines;
  std::vector<CellRule> rules;
  char point = '.';
  bool subseconds = false;
  size_t mask_words = 0;  // presence bits of a row, 32 to a word
  size_t stride = 0;      // words a row takes: stamp, milliseconds, presence, raw values
};

// A chunk of rows on its way: walked into records, formatted into text, written. Each on
// cache lines of its own, and its members touched once a chunk rather than once a row: one
// thread fills a chunk while the other formats its neighbour.
struct alignas(64) RowChunk {
  enum class State { kFree, kWalked, kFormatting, kFormatted };
  State state = State::kFree;
  std::vector<uint32_t> records;
  uint32_t rows = 0;
  // The rows' text is the first `length` characters; the rest is room kept for the next
  // chunk (resizing zero-fills, so the size only grows).
  std::string text;
  size_t length = 0;
  std::vector<uint32_t> positions;  // progress to report once the text is written
};

// The chunk's text is written in place: each row first makes room for itself as if every cell
// took the integer way (no more than kFixedTextRoom characters); a cell that does not is made
// aside and makes room for itself.
void FormatChunk(const RowLayout& layout, RowChunk& chunk) {
  // The layout's fields as locals: the layout may share a cache line with what the walking
  // thread writes every row, and a store of text could alias it and force a reload.
  const MeasuredLine* const* const lines = layout.lines.data();
  const CellRule* const rules = layout.rules.data();
  const size_t k = layout.lines.size();
  const size_t stride = layout.stride;
  const size_t mask_words = layout.mask_words;
  const bool subseconds = layout.subseconds;
  const char point = layout.point;
  std::string& text = chunk.text;
  size_t used = 0;
  const size_t row_room = 32 + k * (kFixedTextRoom + 1);
  const auto room = [&](size_t n) {
    if (text.size() - used < n) text.resize(std::max(text.size() * 2, used + n));
    return text.data() + used;
  };
  std::string cell;
  RowTimeText time;
  const uint32_t* record = chunk.records.data();
  const uint32_t rows = chunk.rows;
  for (uint32_t i = 0; i < rows; ++i, record += stride) {
    char* p = room(row_room);
    p = time.Put(p, record[0], static_cast<uint16_t>(record[1]), subseconds);
    const uint32_t* mask = record + 2;
    const uint32_t* raw = mask + mask_words;
    for (size_t j = 0; j < k; ++j) {
      if (j > 0) *p++ = ';';
      if (!(mask[j / 32] >> (j % 32) & 1)) continue;
      const MeasuredLine& line = *lines[j];
      if (IsNoValue(line, raw[j])) continue;
      const double value = ConvertRawValue(line, raw[j]);
      if (!InValueRange(line, value)) continue;
      const CellRule& rule = rules[j];
      char* const end = rule.general ? PutGeneralText(p, value, point)
                                     : PutFixedText(p, value, rule.width, rule.decimals, point);
      if (end) {
        p = end;
        continue;
      }
      cell.clear();
      AppendRuleText(rule, value, point, cell);
      used = static_cast<size_t>(p - text.data());
      p = room(cell.size() + row_room);
      std::memcpy(p, cell.data(), cell.size());
      p += cell.size();
    }
    *p++ = '\r';
    *p++ = '\n';
    used = static_cast<size_t>(p - text.data());
  }
  chunk.length = used;
}

// The rows of an export: the caller's thread walks them into chunks, writes the formatted
// chunks in order and reports progress; formatting, the costly part, is done by whichever
// thread is free, the caller's and optionally one more. A few chunks are in flight at most,
// so memory stays flat whatever the export's size.
class RowPipeline {
 public:
  RowPipeline(const RowLayout& layout, RowMerger& merger, uint32_t chunk_rows, const TBuf* tracked,
              ExportSink& sink, const ExportProgress& progress)
      : layout_(layout),
        merger_(merger),
        chunk_rows_(chunk_rows),
        tracked_(tracked),
        sink_(sink),
        progress_(progress) {}

  bool Run(bool two_threads) {
    std::thread helper;
    if (two_threads) {
      try {
        helper = std::thread([this] { Help(); });
      } catch (const std::system_error&) {
        // No second thread: this one does all the work.
      }
    }
    bool ok = false;
    try {
      ok = Own();
    } catch (...) {
      Stop();
      if (helper.joinable()) helper.join();
      throw;
    }
    if (!ok) Stop();
    if (helper.joinable()) helper.join();
    if (failure_) std::rethrow_exception(failure_);
    return ok;
  }

  uint64_t RowsWritten() const { return rows_written_; }

 private:
  static constexpr size_t kChunks = 4;

  void Stop() {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
    changed_.notify_all();
  }

  // Under the lock: the earliest walked chunk, now being formatted, or null.
  RowChunk* Claim() {
    for (uint64_t c = next_write_; c < next_walk_; ++c) {
      RowChunk& chunk = chunks_[c % kChunks];
      if (chunk.state == RowChunk::State::kWalked) {
        chunk.state = RowChunk::State::kFormatting;
        return &chunk;
      }
    }
    return nullptr;
  }

  void Format(std::unique_lock<std::mutex>& lock, RowChunk& chunk) {
    lock.unlock();
    FormatChunk(layout_, chunk);
    lock.lock();
    chunk.state = RowChunk::State::kFormatted;
    changed_.notify_all();
  }

  // The second thread: formats until nothing more will be walked.
  void Help() {
    std::unique_lock<std::mutex> lock(mutex_);
    try {
      for (;;) {
        if (stopping_) return;
        if (RowChunk* chunk = Claim()) {
          Format(lock, *chunk);
        } else if (walk_done_) {
          return;
        } else {
          changed_.wait(lock);
        }
      }
    } catch (...) {
      if (!lock.owns_lock()) lock.lock();
      failure_ = std::current_exception();
      stopping_ = true;
      changed_.notify_all();
    }
  }

  // Up to chunk_rows_ rows into the chunk; false when the walk has ended.
  bool Walk(RowChunk& chunk) {
    chunk.positions.clear();
    chunk.rows = 0;
    const size_t k = layout_.lines.size();
    const size_t stride = layout_.stride;
    std::vector<uint32_t>& records = chunk.records;
    uint32_t rows = 0;  // counted here, not in the chunk: see RowChunk
    bool more = true;
    while (rows < chunk_rows_) {
      const MergedRow* row = merger_.Next();
      if (!row) {
        more = false;
        break;
      }
      if ((rows + size_t{1}) * stride > records.size()) {
        records.resize(std::max(records.size() * 2, 1024 * stride));
      }
      uint32_t* record = records.data() + rows * stride;
      record[0] = row->stamp;
      record[1] = row->milliseconds;
      uint32_t* mask = record + 2;
      std::fill(mask, mask + layout_.mask_words, 0u);
      uint32_t* raw = mask + layout_.mask_words;
      for (size_t j = 0; j < k; ++j) {
        mask[j / 32] |= uint32_t{row->present[j]} << (j % 32);
        raw[j] = row->raw[j];
      }
      ++rows;
      if (progress_.position && tracked_ && tracked_->cursor() % 256 == 0 &&
          tracked_->cursor() != reported_) {
        reported_ = tracked_->cursor();
        chunk.positions.push_back(reported_);
      }
    }
    chunk.rows = rows;
    return more;
  }

  // The caller's thread: writing comes first, then walking ahead, then formatting.
  bool Own() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      if (stopping_) return false;
      RowChunk& head = chunks_[next_write_ % kChunks];
      if (next_write_ < next_walk_ && head.state == RowChunk::State::kFormatted) {
        lock.unlock();
        const bool written = sink_.Write(head.text.data(), head.length);
        if (written) {
          rows_written_ += head.rows;
          for (uint32_t position : head.positions) progress_.position(position);
        }
        lock.lock();
        if (!written) return false;
        head.state = RowChunk::State::kFree;
        ++next_write_;
      } else if (!walk_done_ && next_walk_ - next_write_ < kChunks) {
        RowChunk& chunk = chunks_[next_walk_ % kChunks];
        lock.unlock();
        const bool more = Walk(chunk);
        lock.lock();
        if (chunk.rows > 0) {
          chunk.state = RowChunk::State::kWalked;
          ++next_walk_;
        }
        walk_done_ = !more;
        changed_.notify_all();
      } else if (RowChunk* chunk = Claim()) {
        Format(lock, *chunk);
      } else if (walk_done_ && next_write_ == next_walk_) {
        return true;
      } else {
        changed_.wait(lock);
      }
    }
  }

  const RowLayout& layout_;
  RowMerger& merger_;
  const uint32_t chunk_rows_;
  const TBuf* const tracked_;
  ExportSink& sink_;
  const ExportProgress& progress_;
  uint32_t reported_ = 0;      // walking thread only
  uint64_t rows_written_ = 0;  // writing thread only

  std::mutex mutex_;
  std::condition_variable changed_;
  std::array<RowChunk, kChunks> chunks_;
  uint64_t next_walk_ = 0;   // chunk number the walk fills next
  uint64_t next_write_ = 0;  // chunk number written next
  bool walk_done_ = false;
  bool stopping_ = false;
  std::exception_ptr failure_;
};

}  // namespace

bool WriteExport(Measurement& measurement, std::span<const int> lines, const StampRange& range,
                 char decimal_separator, ExportSink& sink, const ExportProgress& progress,
                 const ExportThreads& threads) {
  std::vector<int> chosen(lines.begin(), lines.end());
  std::sort(chosen.begin(), chosen.end());
  chosen.erase(std::unique(chosen.begin(), chosen.end()), chosen.end());
  std::erase_if(chosen,
                [&](int i) { return i < 0 || static_cast<uint32_t>(i) >= measurement.line_count; });

  std::string header = "Datum;Čas;";
  RowLayout layout;
  layout.point = decimal_separator;
  layout.subseconds = measurement.subseconds_present;
  layout.mask_words = (chosen.size() + 31) / 32;
  layout.stride = 2 + layout.mask_words + chosen.size();
  uint32_t longest = 0;  // samples of the longest line: rows are at least as many
  for (size_t j = 0; j < chosen.size(); ++j) {
    const auto i = static_cast<size_t>(chosen[j]);
    if (j > 0) header += ';';
    header += measurement.lines[i].caption;
    layout.lines.push_back(&measurement.lines[i]);
    layout.rules.push_back(CellRuleOf(measurement.lines[i]));
    longest = std::max(longest, measurement.buffers[i].count());
  }
  header += "\r\n";
  const std::string header_bytes = Utf8ToCp1250(header);

  // About a megabyte of text a chunk.
  const uint32_t chunk_rows =
      threads.chunk_rows > 0
          ? threads.chunk_rows
          : static_cast<uint32_t>(std::max<size_t>(256, 131072 / (chosen.size() + 2)));
  // Below a few chunks a second thread costs more than it saves.
  const bool two_threads =
      threads.threads == 2 || (threads.threads == 0 && longest / 4 >= chunk_rows);

  // The bar follows the first chosen line, whose cursor is the one that moves.
  const TBuf* tracked =
      chosen.empty() ? nullptr : &measurement.buffers[static_cast<size_t>(chosen[0])];
  if (progress.start) progress.start(tracked ? tracked->count() : 0);
  bool ok = sink.Write(header_bytes.data(), header_bytes.size());
  if (ok) {
    RowMerger merger(measurement, chosen, range);
    RowPipeline pipeline(layout, merger, chunk_rows, tracked, sink, progress);
    ok = pipeline.Run(two_threads);
    if (ok && progress.rows) progress.rows(pipeline.RowsWritten());
  }
  if (progress.finish) progress.finish();
  return ok;
}

std::string ExportDoneText(const std::string& path, std::optional<uint64_t> rows) {
  std::string text = "Export uložen do " + path;
  if (rows) {
    const uint64_t n = *rows;
    const char* noun = "řádků";
    if (n == 1) {
      noun = "řádek";
    } else if (n >= 2 && n <= 4) {
      noun = "řádky";
    }
    text += " (" + std::to_string(n) + " " + noun + ")";
  }
  return text + ".";
}

bool ExportToFile(const std::string& path, Measurement& measurement, std::span<const int> lines,
                  const StampRange& range, char decimal_separator, UserDialogs& dialogs,
                  const ExportProgress& progress) {
  return WriteExportFile(path, dialogs, [&](ExportSink& sink) {
    return WriteExport(measurement, lines, range, decimal_separator, sink, progress);
  });
}

std::string ExportFailureText(const char* text, const std::string& path,
                              const std::string& reason) {
  return std::string(text) + "\n" + path + ": " + reason + ".";
}

bool WriteExportFile(const std::string& path, UserDialogs& dialogs,
                     const std::function<bool(ExportSink&)>& write) {
  AtomicWriter file(path);
  if (!file.ok()) {
    dialogs.ShowError(ExportFailureText(kExportCreateFailed, path, file.reason()));
    return false;
  }
  struct FileSink : ExportSink {
    explicit FileSink(AtomicWriter& writer) : writer_(writer) {}
    bool Write(const char* bytes, size_t size) override { return writer_.Write(bytes, size); }
    AtomicWriter& writer_;
  } sink(file);
  if (!write(sink) || !file.Commit()) {
    // A sink refused only for the writer's failure; EIO where the rows gave up alone.
    const std::string reason = file.ok() ? SystemErrorText(EIO) : file.reason();
    dialogs.ShowError(ExportFailureText(kExportWriteFailed, path, reason));
    return false;
  }
  return true;
}

}  // namespace korvan
