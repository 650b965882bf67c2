#include "cli/cli_options.h"

#include <charconv>

#include "app/data_location.h"
#include "app/date_time.h"
#include "app/packed_stamp.h"
#include "platform/file_query.h"
#include "platform/locale.h"

namespace korvan::cli {

std::optional<Arguments> Arguments::Parse(const char* command, const char* usage,
                                          const std::vector<std::string>& arguments,
                                          std::initializer_list<OptionSpec> options,
                                          size_t min_positional, size_t max_positional,
                                          std::ostream& err) {
  Arguments parsed;
  parsed.command_ = command;
  auto fail = [&](const std::string& text) {
    parsed.Fault(err) << text << "\n";
    err << "Použití: korvan-cli " << usage << "\n";
    return std::nullopt;
  };
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& a = arguments[i];
    // "-" alone is standard output, a positional argument.
    if (a.size() < 2 || a[0] != '-') {
      parsed.positional_.push_back(a);
      continue;
    }
    const OptionSpec* known = nullptr;
    for (const OptionSpec& option : options) {
      if (a == option.name) known = &option;
    }
    if (known == nullptr) return fail("neznámá volba '" + a + "'");
    if (!known->takes_value) {
      parsed.options_[a] = "";
      continue;
    }
    if (i + 1 >= arguments.size()) return fail("volba " + a + " potřebuje hodnotu");
    parsed.options_[a] = arguments[++i];
  }
  if (parsed.positional_.size() < min_positional) return fail("chybí argumenty");
  if (parsed.positional_.size() > max_positional) {
    return fail("nadbytečný argument '" + parsed.positional_[max_positional] + "'");
  }
  return parsed;
}

std::ostream& Arguments::Fault(std::ostream& err) const {
  return err << "korvan-cli: " << command_ << ": ";
}

const std::string* Arguments::Value(const std::string& option) const {
  auto it = options_.find(option);
  return it == options_.end() ? nullptr : &it->second;
}

bool Arguments::DecimalSeparator(char& separator, std::ostream& err) const {
  const std::string* value = Value(kDecimalOption.name);
  if (value == nullptr) {
    separator = SystemDecimalSeparator();
    return true;
  }
  if (*value != "," && *value != ".") {
    Fault(err) << "--decimal přijímá \",\" nebo \".\", ne '" << *value << "'\n";
    return false;
  }
  separator = (*value)[0];
  return true;
}

bool Arguments::Time(const std::string& option, std::optional<double>& value,
                     std::ostream& err) const {
  const std::string* text = Value(option);
  if (text == nullptr) return true;
  double time = 0;
  if (!ParseIsoDateTime(*text, time)) {
    Fault(err) << option << " přijímá čas \"RRRR-MM-DD HH:MM:SS\", ne '" << *text << "'\n";
    return false;
  }
  const int year = DecodeDate(time).year;
  if (year < kStampFirstYear || year > kStampLastYear) {
    Fault(err) << option << ": čas '" << *text << "' leží mimo roky " << kStampFirstYear << "-"
               << kStampLastYear << ", které záznam může obsahovat\n";
    return false;
  }
  value = time;
  return true;
}

bool Arguments::ReadLinesAndRange(LinesAndRange& options, std::ostream& err) const {
  return LineNumbers("--lines", options.numbers, err) && TimeRange(options.from, options.to, err) &&
         DecimalSeparator(options.separator, err);
}

bool Arguments::TimeRange(std::optional<double>& from, std::optional<double>& to,
                          std::ostream& err) const {
  if (!Time("--from", from, err) || !Time("--to", to, err)) return false;
  if (from && to && *from > *to) {
    Fault(err) << "--from (" << *Value("--from") << ") je později než --to (" << *Value("--to")
               << ")\n";
    return false;
  }
  return true;
}

bool OutputWritten(const std::string& command, std::ostream& out, std::ostream& err) {
  out.flush();
  if (out) return true;
  err << "korvan-cli: " << command << ": standardní výstup nelze zapsat\n";
  return false;
}

bool Arguments::LineNumbers(const std::string& option, std::vector<int>& numbers,
                            std::ostream& err) const {
  const std::string* text = Value(option);
  if (text == nullptr) return true;
  size_t start = 0;
  for (;;) {
    size_t comma = text->find(',', start);
    std::string_view part(text->data() + start,
                          (comma == std::string::npos ? text->size() : comma) - start);
    int n = 0;
    auto [end, ec] = std::from_chars(part.data(), part.data() + part.size(), n);
    if (part.empty() || ec != std::errc() || end != part.data() + part.size()) {
      Fault(err) << option << " přijímá čísla veličin jako 1,3, ne '" << *text << "'\n";
      return false;
    }
    numbers.push_back(n);
    if (comma == std::string::npos) return true;
    start = comma + 1;
  }
}

bool OutputCollides(const std::string& command, const std::string& output,
                    const std::vector<std::string>& inputs, const std::string& card_dir,
                    std::ostream& err) {
  if (output == "-") return false;
  std::optional<std::string> input;
  for (const std::string& file : inputs) {
    if (SameFile(output, file)) input = file;
  }
  if (!input && !card_dir.empty()) input = CardFileNamedBy(card_dir, output);
  if (!input) return false;
  err << "korvan-cli: " << command << ": výstup " << output << " je vstupní soubor " << *input
      << "; nic nebylo zapsáno\n";
  return true;
}

}  // namespace korvan::cli
