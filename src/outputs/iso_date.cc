#include "outputs/iso_date.h"

#include <cstring>

#include "datafile/data_file.h"

namespace loopconv {

bool isoDateOf(const DataHeader& header, IsoDate* date) {
  if (!hasDataStartDate(header)) return false;
  const char* s = header.dataStart;
  const char iso[10] = {s[6], s[7], s[8], s[9], '-', s[0], s[1], '-', s[3], s[4]};
  memcpy(date->text, iso, sizeof iso);
  return true;
}

bool requireIsoDate(Log& log, const DataHeader& header, const char* outputs, IsoDate* date) {
  if (isoDateOf(header, date)) return true;
  log.error("%s need a Data Start date (MM/DD/YYYY), not [%.*s]!\n", outputs,
            static_cast<int>(sizeof header.dataStart), header.dataStart);
  return false;
}

char* putIsoDateTime(char* out, const IsoDate& date, int32_t period) {
  const int32_t hh = period / 180;
  const int32_t mm = period % 180 / 3;
  const int32_t ss = period % 3 * 20;
  memcpy(out, date.text, sizeof date.text);
  out += sizeof date.text;
  const char time[9] = {'T', static_cast<char>('0' + hh / 10), static_cast<char>('0' + hh % 10),
                        ':', static_cast<char>('0' + mm / 10), static_cast<char>('0' + mm % 10),
                        ':', static_cast<char>('0' + ss / 10), '0'};
  memcpy(out, time, sizeof time);
  return out + sizeof time;
}

std::string dayFilePath(const std::string& folder, const char* prefix, const IsoDate& date,
                        const char* suffix) {
  return folder + prefix + date.str() + suffix;
}

}  // namespace loopconv
