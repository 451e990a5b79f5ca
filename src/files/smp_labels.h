// Labels of an SMP recording: regions marked with a start, a length and a text. They are kept
// either as header items "L1", "L2", ... or in an external label file.
#pragma once

#include <string>
#include <vector>

namespace gravon {

struct tsmplabel {
    double start = 0;
    double length = 0;
    std::string text;
};

// Reads "start,length,text"; the first two separators may be "," or ";", the text is the rest
// of the line. Numbers that cannot be read give 0.
tsmplabel parselabel(const std::string& line);
// "start,length,text", numbers with "." as the separator.
std::string labelline(const tsmplabel& label);

// The largest label file that is read (bigger files are refused rather than loaded).
inline constexpr long long smpmaxlabelfilebytes = 16 * 1024 * 1024;

// Whether a name may be used as an external label file: it must end in ".csv" (any case), so
// that a header can never make the component rewrite or delete a file of another kind.
bool islabelfilename(const std::string& name);

// Reads a label file (OEM text, first line the SMP file name, then one label per line; empty
// lines are skipped). A missing file, or a name that is not a label file name, gives false
// and leaves `labels` alone. Raises EInvalidSMPHeader naming both files when the file is not
// a regular file, is larger than smpmaxlabelfilebytes or cannot be read.
bool readlabelfile(const std::string& labelfile, const std::string& smpfile,
                   std::vector<tsmplabel>& labels);

// Writes the label file: the SMP file name, then one line per label, CR LF after each line,
// in the OEM code page. False when the file cannot be written.
bool writelabelfile(const std::string& labelfile, const std::string& smpfile,
                    const std::vector<tsmplabel>& labels);

} // namespace gravon
