// korvan-cli config and convert: a settings file read and written as the recording
// parameters window does it.

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "app/card_files.h"
#include "app/constants.h"
#include "app/error.h"
#include "app/json_text.h"
#include "cli/cli_commands.h"
#include "cli/cli_dialogs.h"
#include "cli/cli_measurement.h"
#include "cli/cli_options.h"
#include "config/recording_config.h"
#include "config/settings_file.h"
#include "instruments/instrument_list.h"
#include "platform/locale.h"
#include "platform/paths.h"

namespace korvan::cli {

namespace {

struct Loaded {
  RecordingConfig config;
  InstrumentList instruments;
  CliDialogs dialogs;
};

// A card folder stands for its CONFIG.INI.
std::string SettingsPath(const std::string& argument) {
  if (!DirectoryExists(argument)) return argument;
  return argument + (argument.ends_with("/") ? "" : "/") + kConfigIniFile;
}

bool Load(const std::string& argument, char separator, Loaded& loaded, std::ostream& err) {
  const std::string path = SettingsPath(argument);
  if (!FileExists(path)) {
    err << "korvan-cli: soubor " << path << " nelze přečíst\n";
    return false;
  }
  if (!ReadSettingsFile(path, loaded.config, loaded.instruments, separator, loaded.dialogs)) {
    err << "korvan-cli: " << path << " není soubor nastavení programu " << kAppName << "\n";
    return false;
  }
  return true;
}

template <typename Range>
void JsonStrings(std::ostream& out, const Range& texts) {
  out << '[';
  bool first = true;
  for (const std::string& text : texts) {
    if (!first) out << ", ";
    first = false;
    out << JsonString(text);
  }
  out << ']';
}

void PrintJson(const Loaded& loaded, std::ostream& out) {
  const RecordingConfig& c = loaded.config;
  out << "{\"job_name\": ";
  out << JsonString(c.job_name);
  out << ", \"days\": ";
  out << JsonString(c.days);
  // The size is always a whole number: CalcMB made it, or it is still the initial one.
  out << ", \"file_size_mb\": " << c.file_size << ", \"intervals\": ";
  JsonStrings(out, c.intervals);
  out << ", \"baud\": ";
  out << JsonString(c.BaudText());
  out << ", \"databits_position\": " << c.databits_position
      << ", \"parity_position\": " << c.parity_position
      << ", \"stopbits_position\": " << c.stopbits_position << ", \"timeout\": ";
  out << JsonString(c.timeout);
  out << ", \"delay\": ";
  out << JsonString(c.delay);
  out << ", \"lines\": [";
  for (size_t i = 0; i < c.lines.size(); ++i) {
    if (i > 0) out << ", ";
    JsonStrings(out, c.lines[i]);
  }
  out << "], \"instruments\": [";
  for (size_t j = 0; j < loaded.instruments.rows.size(); ++j) {
    const Instrument& instrument = loaded.instruments.rows[j];
    if (j > 0) out << ", ";
    JsonStrings(out, std::vector<std::string>{instrument.address, instrument.description,
                                              instrument.quantity_file});
  }
  out << "], \"warning\": ";
  if (loaded.dialogs.warnings.empty()) {
    out << "null";
  } else {
    out << JsonString(loaded.dialogs.warnings.front());
  }
  out << "}\n";
}

template <size_t N>
std::string ChoiceText(const char* const (&choices)[N], int position) {
  return position >= 0 && position < static_cast<int>(N) ? choices[position] : "";
}

void PrintText(const Loaded& loaded, std::ostream& out) {
  const RecordingConfig& c = loaded.config;
  out << "Název: " << c.job_name << "\n"
      << "Doba záznamu: " << c.days << " dni\n"
      << "Velikost souboru: " << c.file_size << " MB\n";
  for (int k = 0; k < kIntervalCount; ++k) {
    out << "Interval " << k + 1 << " [s]: " << c.intervals[k] << "\n";
  }
  out << "Baud: " << c.BaudText() << "\n"
      << "Databit: " << ChoiceText(kDataBitChoices, c.databits_position) << "\n"
      << "Parita: " << ChoiceText(kParityChoices, c.parity_position) << "\n"
      << "Stopbit: " << ChoiceText(kStopBitChoices, c.stopbits_position) << "\n"
      << "Timeout [ms]: " << c.timeout << "\n"
      << "Prodleva dalšího dotazu [ms]: " << c.delay << "\n";
  out << "Veličiny: " << c.lines.size() << "\n";
  for (size_t i = 0; i < c.lines.size(); ++i) {
    out << LineKey(static_cast<int>(i + 1)) << ":";
    for (const std::string& cell : c.lines[i]) out << " " << cell << " |";
    out << "\n";
  }
  out << "Přístroje: " << loaded.instruments.Count() << "\n";
  for (int j = 0; j < loaded.instruments.Count(); ++j) {
    const Instrument& instrument = loaded.instruments.rows[j];
    out << LineKey(j + 1) << ": " << instrument.address << " | " << instrument.description << " | "
        << instrument.quantity_file << "\n";
  }
}

void ReportMessages(const Loaded& loaded, std::ostream& err) {
  for (const std::string& warning : loaded.dialogs.warnings) {
    err << "korvan-cli: upozornění: " << warning << "\n";
  }
  for (const std::string& error : loaded.dialogs.errors) err << "korvan-cli: " << error << "\n";
}

}  // namespace

int RunConfig(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
  const auto args = Arguments::Parse("config", UsageOf("config"), arguments,
                                     {{"--json", false}, kDecimalOption}, 1, 1, err);
  char separator = 0;
  if (!args || !args->DecimalSeparator(separator, err)) return 2;
  Loaded loaded;
  if (!Load((*args)[0], separator, loaded, err)) return 1;
  if (args->Has("--json")) {
    PrintJson(loaded, out);
  } else {
    PrintText(loaded, out);
    for (const std::string& warning : loaded.dialogs.warnings)
      out << "Upozornění: " << warning << "\n";
  }
  for (const std::string& error : loaded.dialogs.errors) err << "korvan-cli: " << error << "\n";
  if (!OutputWritten("config", out, err)) return 1;
  // The configuration was shown, but its file size could not be computed.
  return loaded.dialogs.errors.empty() ? 0 : 1;
}

int RunConvert(const std::vector<std::string>& arguments, std::ostream&, std::ostream& err) {
  const auto args =
      Arguments::Parse("convert", UsageOf("convert"), arguments, {kDecimalOption}, 2, 2, err);
  char separator = 0;
  if (!args || !args->DecimalSeparator(separator, err)) return 2;
  const std::string input = SettingsPath((*args)[0]);
  const std::string& output = (*args)[1];
  // The input's folder may be a card: its data must not be overwritten by the settings.
  const size_t slash = input.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : input.substr(0, slash + 1);
  if (OutputCollides("convert", output, {input}, folder, err)) return 2;
  Loaded loaded;
  if (!Load(input, separator, loaded, err)) return 1;
  ReportMessages(loaded, err);
  // A size that could not be computed would go into the file as a stale number.
  if (!loaded.dialogs.errors.empty()) return 1;
  try {
    WriteSettingsFile(output, loaded.config, loaded.instruments, separator);
  } catch (const Error& e) {
    err << "korvan-cli: " << e.what() << "\n";
    return 1;
  }
  return 0;
}

}  // namespace korvan::cli
