// The lines of a cabinet list: the date line, the cabinet line test, and the
// fixed columns of one cabinet line turned into a CabinetRecord.
#ifndef LOOPCONV_METADATA_CABINET_LINE_H_
#define LOOPCONV_METADATA_CABINET_LINE_H_

#include <cstddef>
#include <cstdint>
#include <string>

namespace loopconv {

// A list file is read in lines of at most ListLineBytes - 1 characters, each
// ending after its '\n' (a longer line is read as several).
constexpr size_t ListLineBytes = 256;

// One cabinet line. Text fields hold their columns and a terminator; each
// number is converted from the text field before it. Zero-filled records
// are valid (empty texts, zero numbers), so an array of them can be calloc'd.
struct CabinetRecord {
  char Device[11];   // columns 0-9, as is
  char Alias[8];     // 11-17, trimmed
  char PortText[8];  // 19-25, as is
  int32_t Port;
  char Address[5];      // 27-30, trimmed
  char Roadway[12];     // 32-42, trimmed
  char Side[2];         // 44, as is
  char Milepost[7];     // 46-51, trimmed
  char Location[17];    // 54-69, trimmed
  char VersionText[4];  // 71-73, as is
  int32_t Version;
  char LoopsText[4];  // 75-77, as is
  int32_t Loops;
  char StationsText[3];  // 79-80, as is
  int32_t Stations;
  char SpeedtrapsText[3];  // 82-83, as is
  int32_t Speedtraps;
  char MeteredlanesText[3];  // 85-86, as is
  int32_t Meteredlanes;
  char Status[10];  // 88-96, trimmed
};

// True when `line` (of `length` characters) has 'e' and 's' at positions 3
// and 4.
bool isCabinetLine(const char* line, size_t length);

// Walks the date line: every '-' introduces a date, the (up to) ten
// characters that start two positions after it. Each date is stored in
// *metadataDate; an accepted one (MM/DD/YYYY: '/' at positions 2 and 5) gets
// '_' there and the walk goes on. Returns false at the first date that is not
// accepted, leaving it in *metadataDate. A line without '-' leaves
// *metadataDate as it was and returns true.
bool scanDateLine(const char* line, size_t length, std::string* metadataDate);

// Fills `record` from the columns of a cabinet line. Columns past the line's
// end give empty texts and zero numbers; a field cut by the line's end keeps
// the line end characters (trimmed fields lose them).
void fillCabinetRecord(const char* line, size_t length, CabinetRecord* record);

// Trims white space (blank, tab, LF, VT, FF, CR) from both ends of the
// C string `field`, in place, and replaces every ',' of what is left by '-'.
void trimField(char* field);

// Where a cabinet stands, read from the same columns as CabinetRecord but for
// files that quote their fields: texts trimmed of white space, commas kept
// ("ELM ST, NORTH"), the Side column trimmed too.
struct CabinetPlaceText {
  char Device[11];    // columns 0-9, as is
  char Roadway[12];   // 32-42
  char Side[2];       // 44
  char Milepost[7];   // 46-51
  char Location[17];  // 54-69
  char Status[10];    // 88-96
};

void fillCabinetPlaceText(const char* line, size_t length, CabinetPlaceText* place);

// Decimal text to a number as atoi reads it: leading white space, an optional
// sign, digits up to the first other character; 0 without digits. Values
// beyond 32 bits are clamped instead of overflowing.
int32_t convertNumber(const char* text);

// Room for one CSV row of a record (with its '\n').
constexpr size_t CabinetRowBytes = 256;

// Writes the CSV row of `record` ("Device,Alias,Port,...,Status\n") into
// `out` (CabinetRowBytes long) and returns its length. Fields are written as
// they stand: no quoting.
size_t formatCabinetRow(const CabinetRecord& record, char* out);

// The header line of the metadata CSV.
inline constexpr char CabinetCsvHeader[] =
    "Device,Alias,Port,Address,Roadway,Side,Milepost,Location,Version,Loops,"
    "Stations,Speedtraps,Meteredlanes,Status\n";

}  // namespace loopconv

#endif  // LOOPCONV_METADATA_CABINET_LINE_H_
