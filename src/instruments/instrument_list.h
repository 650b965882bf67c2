#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace korvan {

// The window never lets the user add more; a loaded settings file may bring its own count.
inline constexpr int kMaxInstruments = 50;

// Header texts of the three columns (row 0 of the grid).
inline constexpr const char* kInstrumentHeaders[3] = {"Adresa", "Popis", "Soubor veličin"};

struct Instrument {
  std::string address;  // "01h" or decimal; not validated
  std::string description;
  std::string quantity_file;  // relative to the quantity-file directory, or a full path
  bool operator==(const Instrument&) const = default;
};

// The instruments of a recording configuration, in list order (grid row k is rows[k - 1]).
struct InstrumentList {
  std::vector<Instrument> rows;
  int Count() const { return static_cast<int>(rows.size()); }
  bool operator==(const InstrumentList&) const = default;
};

// Which of the window's list buttons may be pressed for a list of count instruments.
struct InstrumentButtons {
  bool change = false;
  bool remove = false;
  bool add = true;
};
InstrumentButtons ButtonsForCount(int count);

// The up-down arrows: reads text as hex-suffixed or decimal, steps within 0..255 and writes
// the value back in the form it was read ("%02Xh" or decimal). "01h" up gives "02h", "FFh"
// stays, "0" down stays "0".
std::string StepAddress(std::string_view text, bool up);

// "%-3s | %s": the entry under which the recording parameters window offers an instrument.
std::string InstrumentChoiceText(const Instrument& instrument);

}  // namespace korvan
