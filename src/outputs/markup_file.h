// Markup (SVG, HTML) handed to an output file as it is: LF line ends, no
// CR LF translation.
#ifndef LOOPCONV_OUTPUTS_MARKUP_FILE_H_
#define LOOPCONV_OUTPUTS_MARKUP_FILE_H_

#include <string>

#include "base/output_file.h"

namespace loopconv {

void writeMarkup(OutputFile* file, const std::string& text);

}  // namespace loopconv

#endif  // LOOPCONV_OUTPUTS_MARKUP_FILE_H_
