// TSMPfile: reads and writes SMP sound files.
//
// An SMP file is a text header of keyed items ("key=value" lines, CR LF, in the OEM code
// page), ended by a line "=", optional comment lines and the bytes 00 04 1A, padded with zeros
// to the size given by the "head" item (1024 by default). Signed 16-bit samples of one or
// more interleaved channels follow, little-endian unless "msb=first". The "scan" item gives
// the channel order of one scan; a channel may occur several times in a scan (a higher rate).
//
// Item changes are held in memory and reach the file through save_file; samples written
// through setChunk or setChannelChunk go to the file at once. Reading never writes to the
// file.
#pragma once

#include "base/types.h"
#include "files/smp_labels.h"
#include "files/smp_scan.h"

#include <array>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace gravon {

class TSMPfile {
  public:
    // The header region is read and built in an image of this size.
    static constexpr int headimagesize = 32768;
    // The largest "head" value save_file writes; the bytes past the image are zeros.
    static constexpr int maxsavedheadsize = 65536;
    // Values are read back at most this many characters long.
    static constexpr int maxvaluelength = 255;
    static constexpr int maxchunksamples = 16384;

    TSMPfile();
    ~TSMPfile();
    TSMPfile(const TSMPfile&) = delete;
    TSMPfile& operator=(const TSMPfile&) = delete;

    // Published settings; clear() restores their defaults except those of nViewDigits,
    // UseShortCSVPathname and WriteThroughCache.
    std::int32_t defheadsize = 1024;
    std::string defFileType = "samp";
    std::int32_t defSfTot = 16000;
    std::int32_t defnChans = 1;
    bool defMSBFirst = false;
    double defViewLo = -1, defViewHi = 1;
    double defRangeLo = -32768, defRangeHi = 32768;
    bool Overwrite = true;           // false: a grown header becomes the base of later growth
    bool EraseCSVFile = true;        // delete the label file when labels become items
    bool UseShortCSVPathname = true; // no short (8.3) names on this platform: no effect
    std::int32_t nViewDigits = 6;    // significant digits of written view values
    bool WriteThroughCache = false;  // flush every sample write to the operating system

    // --- file operations ---

    // Creates fname anew (an existing file is deleted), clears everything, opens it read/write
    // and writes the initial header. False when the file cannot be created or written.
    bool new_file(const std::string& fname);
    // Opens an existing file and reads its header. False when the file is missing, empty or
    // cannot be opened as asked. Raises EInvalidSMPHeader naming the file when its header
    // is not terminated within the header region, the "head" item is smaller than the header
    // text, or the file ends before its samples start.
    bool open_file(const std::string& fname, bool rdonly);
    // Writes the header (growing it when the items do not fit); an empty fname keeps
    // Filename, another name writes the header to that file. When the header grows past the
    // samples, they are moved up so that none is lost. True when the whole header was
    // written.
    bool save_file(const std::string& fname = "");
    // False only when closing fails.
    bool close_file();

    const std::string& Filename() const { return filename; }
    bool ReadOnly() const { return readonly; }
    bool isopen() const { return file.is_open(); }

    // --- items ---

    // The value of the first item whose key equals key ignoring case (and whose value is not
    // blank), at most 255 characters; else def.
    std::string get_item(const std::string& key, const std::string& def = "") const;
    // Non-empty value: replaces the first line of exactly that key (later ones are deleted)
    // or appends the line; "head" always stands first; "labels" also switches external labels
    // on and loads the label file. Empty value: deletes every line of that key. Control
    // characters, which would break the header layout, are stored as blanks.
    void set_item(const std::string& key, const std::string& value);
    void add_line(const std::string& line); // key "=" value
    void set_nonpresent_item(const std::string& key, const std::string& value);
    void add_nonpresent_line(const std::string& line);
    // Stores procstr under the first free "proc" + n, n from 0.
    void set_proc(const std::string& procstr);
    // "head" first; drops lines with a blank key or value and later duplicates of a key.
    void validate_items();
    // Writes the defaults of "head", "file", "sftot", "nchans", "msb", "view", "range" and
    // "date" (the current date and time) where they have no value.
    void insert_nonpresent_defaults();
    // Empties items, comments and labels and restores the defaults of the settings.
    void clear();

    const std::vector<std::string>& Items() const { return items; }
    std::vector<std::string> Comment; // comment lines after the items

    // --- header properties (absent or unreadable items give the defaults) ---

    std::int32_t HeadSize() const;
    void setHeadSize(std::int32_t v);
    std::string FileType() const;
    void setFileType(const std::string& v);
    double SfTot() const;
    void setSfTot(double v);
    std::int32_t nChans() const;
    void setnChans(std::int32_t v);
    bool MSBFirst() const;
    void setMSBFirst(bool v);
    std::string ScanStr() const;
    void setScanStr(const std::string& v); // also rewinds every channel

    // The scan tables; these raise EInvalidSMPHeader for an invalid pattern.
    std::int32_t ScanCount() const;
    bool IsSplitRate() const;
    std::int32_t ChannelPitch(int n) const; // 0 for a channel that does not exist
    std::int32_t ChannelFirst(int n) const; // -1 for a channel that does not exist
    double ChannelSampFreq(int n) const;    // "sftot" / pitch; 0 when not computable

    // --- channel descriptions ---

    tdoublepair ChannelView(int n) const;
    void setChannelView(int n, const tdoublepair& v); // n = -1: the common "view"
    std::string ChannelUnit(int n) const;
    void setChannelUnit(int n, const std::string& unit);
    tdoublepair ChannelRange(int n) const;
    void setChannelRange(int n, const tdoublepair& r); // n = -1: the common "range"
    std::string ChannelName(int n) const;
    void setChannelName(int n, const std::string& name);

    // --- samples ---

    // Whole scans in the file, counted in samples of all channels together.
    std::int64_t nSamples() const;
    std::int64_t Position() const { return position; }
    void setPosition(std::int64_t p) { position = p < 0 ? 0 : p; }
    std::int32_t ChunknSamples() const { return chunknsamples; }
    void setChunknSamples(std::int32_t n);

    // Reads ChunknSamples div ScanCount whole scans (at least one) from Position; `used` is
    // the number of samples of the whole scans read. Empty at the end and when closed.
    void Chunk(tsamplechunk& out);
    // Writes the block's used samples at Position. Ignored when closed or read-only.
    void setChunk(const tsamplechunk& in);
    // Up to ChunknSamples samples of channel n from its own position (whole scans; at least
    // one scan). The block is zeroed too when no file is open or nChans <= 0.
    void ChannelChunk(int n, tsamplechunk& out);
    // Places the block's samples as channel n's, scan after scan from its position, keeping
    // the other channels' samples (zeros past the end of the file).
    void setChannelChunk(int n, const tsamplechunk& in);
    // Back to the channel position before its last access.
    void ChannelRewind(int n);

    // --- labels ---

    bool ExternalLabels() const { return externallabels; }
    // true: the labels go to the label file (CSVFileName, by default the SMP file name with
    // ".csv"); false: to the items "L1", "L2", ...
    void setExternalLabels(bool on);
    const std::string& CSVFileName() const { return csvfilename; }
    void setCSVFileName(const std::string& name) { csvfilename = name; }
    int nlabels() const { return static_cast<int>(labels.size()); }
    const tsmplabel& Label(int i) const { return labels.at(i); }
    void add_label(double start, double length, const std::string& text);
    void clear_labels() { labels.clear(); }
    void ScaleLabelsBy(double factor);

  private:
    struct scancache {
        std::uint64_t version = ~std::uint64_t(0);
        tsmpscan scan;
    };

    const tsmpscan& scan() const;
    void changed() { ++version; }
    int findexact(const std::string& key) const;
    std::string storedkey(const std::string& key) const;
    bool hasitem(const std::string& key) const { return !get_item(key).empty(); }
    void setitemstored(const std::string& key, const std::string& value);
    std::string viewkey(int n) const;
    void parseheader(std::int64_t nread);
    std::string buildimage() const;
    std::string labelfilepath(const std::string& name) const;
    void loadlabelfile(const std::string& name);
    void labelsfromitems();
    void labelstoitems();
    void removelabelitems();
    void rewindall();
    bool writeheader(std::fstream& f, std::int32_t h, const std::string& image);
    std::int64_t filesize() const;
    std::int64_t readsamples(std::int64_t sampleindex, std::int16_t* dst, std::int64_t count) const;
    bool writesamples(std::int64_t sampleindex, const std::int16_t* src, std::int64_t count);
    bool swapneeded() const;

    std::string filename;
    bool readonly = false;
    std::vector<std::string> items;
    std::vector<std::uint8_t> headimage;
    std::int64_t dataoffset = 1024;
    std::int64_t baseheadsize = 1024;
    mutable std::fstream file;
    std::uint64_t version = 0;
    mutable scancache cache;
    std::int64_t position = 0;
    std::array<std::int64_t, smpmaxchannels> chanpos{};
    std::array<std::int64_t, smpmaxchannels> chanprevpos{};
    std::int32_t chunknsamples = maxchunksamples;
    bool externallabels = false;
    std::string csvfilename;
    std::vector<tsmplabel> labels;
    // Scratch space for one piece of interleaved samples, kept to avoid an allocation per
    // block access.
    std::vector<std::int16_t> piece;
};

} // namespace gravon
