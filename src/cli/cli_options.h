#pragma once

#include <initializer_list>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace korvan::cli {

struct OptionSpec {
  const char* name;  // "--json"
  bool takes_value;
};

// The options every command that reads or writes numbers takes.
inline constexpr OptionSpec kDecimalOption{"--decimal", true};

// A command's arguments: positional ones in order, options by name.
class Arguments {
 public:
  // Parses arguments against options and a positional count. On any fault writes
  // "korvan-cli: COMMAND: ..." and the usage line to err and returns nothing (exit code 2).
  static std::optional<Arguments> Parse(const char* command, const char* usage,
                                        const std::vector<std::string>& arguments,
                                        std::initializer_list<OptionSpec> options,
                                        size_t min_positional, size_t max_positional,
                                        std::ostream& err);

  const std::vector<std::string>& positional() const { return positional_; }
  const std::string& operator[](size_t i) const { return positional_[i]; }
  size_t size() const { return positional_.size(); }
  bool Has(const std::string& option) const { return options_.count(option) != 0; }
  const std::string* Value(const std::string& option) const;

  // --decimal , or .; the locale's separator when not given. False after telling err.
  bool DecimalSeparator(char& separator, std::ostream& err) const;
  // --from/--to "YYYY-MM-DD HH:MM:SS" within the years a stamp holds (2000-2063). False
  // after telling err.
  bool Time(const std::string& option, std::optional<double>& value, std::ostream& err) const;
  // --from and --to, the first not later than the second. False after telling err.
  bool TimeRange(std::optional<double>& from, std::optional<double>& to, std::ostream& err) const;
  // --lines 1,3: numbers, each from 1 to line_count. False after telling err.
  bool LineNumbers(const std::string& option, std::vector<int>& numbers, std::ostream& err) const;

  // What the commands over lines and a time range take: --lines, --from, --to, --decimal.
  struct LinesAndRange {
    std::vector<int> numbers;
    std::optional<double> from, to;
    char separator = 0;
  };
  // False after telling err.
  bool ReadLinesAndRange(LinesAndRange& options, std::ostream& err) const;

 private:
  std::ostream& Fault(std::ostream& err) const;

  std::string command_;
  std::vector<std::string> positional_;
  std::map<std::string, std::string> options_;
};

// Refuses (with a message and true) an output that is one of the inputs or one of the files
// of the card folder card_dir (empty: none), compared as real paths: writing it would destroy
// what is being read. "-" is standard output and never collides.
bool OutputCollides(const std::string& command, const std::string& output,
                    const std::vector<std::string>& inputs, const std::string& card_dir,
                    std::ostream& err);

// Flushes what a command printed to standard output; false after telling err when it could
// not be written (a full disk, a closed pipe): a listing cut short is not a success.
bool OutputWritten(const std::string& command, std::ostream& out, std::ostream& err);

}  // namespace korvan::cli
