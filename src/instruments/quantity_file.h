#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "platform/drives.h"
#include "platform/paths.h"

namespace korvan {

inline constexpr int kQuantityRows = 999;  // quantities; the file adds a header line
inline constexpr int kQuantityFields = 8;
inline constexpr size_t kQuantityLineBytes = 255;  // Windows-1250 bytes of a line that count
// No genuine quantity file is larger: 1000 lines of 255 bytes with their line ends. A larger
// one (or /dev/zero named as one) counts as damaged rather than filling the memory.
inline constexpr size_t kQuantityFileMaxBytes = 1000 * (kQuantityLineBytes + 2);

// Column headers 1..8 (the header line of every written file) and of the row-number column.
inline constexpr const char* kQuantityHeaders[kQuantityFields] = {
    "Registr", "Adresa", "Popis", "Typ čísla", "Násobitel", "Minimum", "Maximum", "Ofset"};
inline constexpr const char* kRowNumberHeader = "Řádek";

// Field positions within a QuantityRow.
enum QuantityField {
  kFieldRegister = 0,
  kFieldAddress = 1,
  kFieldDescription = 2,
  kFieldNumberType = 3,
  kFieldMultiplier = 4,
  kFieldMinimum = 5,
  kFieldMaximum = 6,
  kFieldOffset = 7,
};

using QuantityRow = std::array<std::string, kQuantityFields>;

// The register map in use: the editor's grid and what the recording parameters window offers.
struct QuantityTable {
  // rows[i] is table row i + 1, which is line i + 1 of the file (line 0 is the header).
  std::vector<QuantityRow> rows = std::vector<QuantityRow>(kQuantityRows);
  // Full path of the file the table belongs to; empty when it belongs to none.
  std::string file_name;

  // Table rows are numbered 1..999 as the user sees them.
  const QuantityRow& Row(int n) const { return rows[n - 1]; }
  QuantityRow& Row(int n) { return rows[n - 1]; }
  bool IsEmptyRow(int n) const;
  void Clear();  // empties every field; the file name stays
  // The rows offered for logging: rows 1.. up to the first empty row.
  int OfferedCount() const;
};

// Where a stored name lives: "/..." as it stands, "X:\..." through the drive list, anything
// else below quantity_dir (which ends with "/"). "\" in the name is read as "/".
std::string QuantityFilePath(std::string_view name, const std::string& quantity_dir,
                             const std::vector<Drive>& drives);

// The name the instrument list keeps for a chosen file: the path below quantity_dir when the
// file lies there, ".." steps when it lies elsewhere on the same drive (both with "\"
// between folders), the full path when it lies on another drive.
std::string RelativeQuantityName(const std::string& chosen_path, const std::string& quantity_dir,
                                 const std::vector<Drive>& drives);

// Splits file bytes (Windows-1250) into table rows: CR LF, CR or LF end a line, line 0 is the
// header and is dropped, only the first 255 bytes of a line and eight fields count, lines
// beyond row 999 are dropped.
void ParseQuantityText(std::string_view bytes, QuantityTable& table);
// The file bytes of a table: the header line, then every non-empty row, each ended by CR LF.
std::string FormatQuantityText(const QuantityTable& table);

// Makes the resolved path the table's file name first, then reads it. A file that cannot be
// read throws korvan::Error and leaves the rows as they were (the new name stays).
void LoadQuantityFile(QuantityTable& table, std::string_view name, const std::string& quantity_dir,
                      const std::vector<Drive>& drives);
// Writes the table to its file name through a temporary file; throws korvan::Error
// ("Soubor veličin nelze uložit!") when that fails, the previous file then being untouched.
void SaveQuantityFile(const QuantityTable& table);

inline constexpr const char* kQuantitySaveError = "Soubor veličin nelze uložit!";

// The first start of an installed program (no program settings file yet): copies each shipped
// quantity file (*.csv) that the user's quantity folder does not hold, so that the
// demonstration's settings files load; a file of the user's is never replaced. Returns the
// names copied, in order. A file that cannot be read or written is skipped and, after the
// others, throws korvan::Error naming it.
std::vector<std::string> CopyShippedQuantityFiles(const ProgramPaths& paths);

// "Editor veličin - pump.csv", or "Editor veličin" for a table without a file.
std::string QuantityEditorCaption(const std::string& file_name);

}  // namespace korvan
