#include "export/csv_output.h"

#include <algorithm>
#include <array>
#include <cmath>
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
#include "export/cell_text.h"
#include "export/row_merger.h"

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

// Fills chunks with rows of the walk, as records the formatting needs (no text yet), and notes
// the progress positions the rows reach.
class ChunkWalker {
 public:
  ChunkWalker(const RowLayout& layout, SampleRows& rows, uint32_t chunk_rows)
      : layout_(layout), merger_(rows.merger()), step_(rows.step()), chunk_rows_(chunk_rows) {}

  // Up to chunk_rows rows into the chunk; false when the walk has ended.
  bool Fill(RowChunk& chunk) {
    chunk.positions.clear();
    chunk.rows = 0;
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
      Record(*row, records.data() + rows * stride);
      ++rows;
      if (const uint32_t position = step_.Due()) chunk.positions.push_back(position);
    }
    chunk.rows = rows;
    return more;
  }

 private:
  // The row as a record: stamp, milliseconds, presence bits, raw values.
  void Record(const MergedRow& row, uint32_t* record) const {
    const size_t k = layout_.lines.size();
    record[0] = row.stamp;
    record[1] = row.milliseconds;
    uint32_t* mask = record + 2;
    std::fill(mask, mask + layout_.mask_words, 0u);
    uint32_t* raw = mask + layout_.mask_words;
    for (size_t j = 0; j < k; ++j) {
      mask[j / 32] |= uint32_t{row.present[j]} << (j % 32);
      raw[j] = row.raw[j];
    }
  }

  const RowLayout& layout_;
  RowMerger& merger_;
  ProgressStep& step_;
  const uint32_t chunk_rows_;
};

// The rows of an export: the caller's thread walks them into chunks, writes the formatted
// chunks in order and reports progress; formatting, the costly part, is done by whichever
// thread is free, the caller's and optionally one more. A few chunks are in flight at most,
// so memory stays flat whatever the export's size.
class RowPipeline {
 public:
  RowPipeline(const RowLayout& layout, SampleRows& rows, uint32_t chunk_rows, ExportSink& sink)
      : layout_(layout), rows_(rows), walker_(layout, rows, chunk_rows), sink_(sink) {}

  bool Run(bool two_threads) {
    std::thread helper = two_threads ? StartHelper() : std::thread();
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

 private:
  static constexpr size_t kChunks = 4;

  std::thread StartHelper() {
    try {
      return std::thread([this] { Help(); });
    } catch (const std::system_error&) {
      return {};  // no second thread: this one does all the work
    }
  }

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

  bool HeadFormatted() {
    return next_write_ < next_walk_ &&
           chunks_[next_write_ % kChunks].state == RowChunk::State::kFormatted;
  }

  // The earliest chunk to the sink, then its progress; false when the sink refused it.
  bool WriteHead(std::unique_lock<std::mutex>& lock) {
    RowChunk& head = chunks_[next_write_ % kChunks];
    lock.unlock();
    const bool written = sink_.Write(head.text.data(), head.length);
    if (written) {
      rows_.Wrote(head.rows);
      for (uint32_t position : head.positions) rows_.Report(position);
    }
    lock.lock();
    if (!written) return false;
    head.state = RowChunk::State::kFree;
    ++next_write_;
    return true;
  }

  bool CanWalkAhead() const { return !walk_done_ && next_walk_ - next_write_ < kChunks; }

  void WalkAhead(std::unique_lock<std::mutex>& lock) {
    RowChunk& chunk = chunks_[next_walk_ % kChunks];
    lock.unlock();
    const bool more = walker_.Fill(chunk);
    lock.lock();
    if (chunk.rows > 0) {
      chunk.state = RowChunk::State::kWalked;
      ++next_walk_;
    }
    walk_done_ = !more;
    changed_.notify_all();
  }

  // The caller's thread: writing comes first, then walking ahead, then formatting.
  bool Own() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      if (stopping_) return false;
      if (HeadFormatted()) {
        if (!WriteHead(lock)) return false;
      } else if (CanWalkAhead()) {
        WalkAhead(lock);
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
  SampleRows& rows_;
  ChunkWalker walker_;  // the caller's thread only
  ExportSink& sink_;

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

CsvOutput::CsvOutput(ExportSink& sink, char decimal_separator, const ExportThreads& threads)
    : sink_(sink), point_(decimal_separator), threads_(threads) {}

bool CsvOutput::Begin(bool subseconds, std::span<const OutputColumn> columns) {
  subseconds_ = subseconds;
  columns_.assign(columns.begin(), columns.end());
  std::string header = "Datum;Čas;";
  for (size_t j = 0; j < columns_.size(); ++j) {
    if (j > 0) header += ';';
    header += columns_[j].caption;
  }
  header += "\r\n";
  const std::string bytes = Utf8ToCp1250(header);
  return sink_.Write(bytes.data(), bytes.size());
}

bool CsvOutput::Row(uint32_t stamp, uint16_t milliseconds, std::span<const double> values) {
  AppendExportRowTime(stamp, milliseconds, subseconds_, pending_);
  for (size_t j = 0; j < columns_.size(); ++j) {
    if (j > 0) pending_.push_back(';');
    const double value = j < values.size() ? values[j] : std::nan("");
    if (std::isnan(value)) continue;
    if (columns_[j].count) {
      pending_ += std::to_string(static_cast<uint64_t>(value));
    } else {
      AppendRuleText(columns_[j].rule, value, point_, pending_);
    }
  }
  pending_ += "\r\n";
  constexpr size_t kFlushAt = 1 << 20;
  return pending_.size() < kFlushAt || Flush();
}

bool CsvOutput::Flush() {
  const bool ok = pending_.empty() || sink_.Write(pending_.data(), pending_.size());
  pending_.clear();
  return ok;
}

bool CsvOutput::End() { return Flush(); }

bool CsvOutput::TakeRows(SampleRows& rows) {
  if (!Flush()) return false;
  RowLayout layout;
  layout.point = point_;
  layout.subseconds = subseconds_;
  layout.lines.assign(rows.lines().begin(), rows.lines().end());
  for (const OutputColumn& column : columns_) layout.rules.push_back(column.rule);
  const size_t k = layout.lines.size();
  layout.mask_words = (k + 31) / 32;
  layout.stride = 2 + layout.mask_words + k;
  // About a megabyte of text a chunk.
  const uint32_t chunk_rows = threads_.chunk_rows > 0
                                  ? threads_.chunk_rows
                                  : static_cast<uint32_t>(std::max<size_t>(256, 131072 / (k + 2)));
  // Below a few chunks a second thread costs more than it saves.
  const bool two_threads =
      threads_.threads == 2 || (threads_.threads == 0 && rows.longest() / 4 >= chunk_rows);
  RowPipeline pipeline(layout, rows, chunk_rows, sink_);
  return pipeline.Run(two_threads);
}

}  // namespace korvan
