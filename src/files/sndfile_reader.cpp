#include "files/sndfile_reader.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <sndfile.h>

namespace gravon {

struct tsndfilereader::tfile {
    SNDFILE* handle = nullptr;
    ~tfile() {
        if (handle) sf_close(handle);
    }
};

namespace {

std::string format_text(int format) {
    SF_FORMAT_INFO info{};
    info.format = format;
    if (sf_command(nullptr, SFC_GET_FORMAT_INFO, &info, sizeof info) != 0 || !info.name)
        return "format " + std::to_string(format);
    return info.name;
}

// A file whose first bytes are all printable text is no sound file of any kind; saying so is
// more helpful than "unrecognised format".
bool looks_like_text(const std::string& fname) {
    std::ifstream in(fname, std::ios::binary);
    std::array<char, 256> buf{};
    in.read(buf.data(), std::streamsize(buf.size()));
    const std::streamsize n = in.gcount();
    if (n <= 0) return false;
    for (std::streamsize i = 0; i < n; ++i) {
        const unsigned char c = static_cast<unsigned char>(buf[std::size_t(i)]);
        if (c < 0x20 && c != '\n' && c != '\r' && c != '\t') return false;
        if (c == 0x7f) return false;
    }
    return true;
}

} // namespace

tsndfilereader::tsndfilereader() = default;
tsndfilereader::~tsndfilereader() = default;

void tsndfilereader::close() {
    ffile.reset();
}

void tsndfilereader::open(const std::string& fname) {
    close();
    ffilename = fname;
    const std::string start = "Cannot read " + fname + ": ";
    std::error_code ec;
    const std::filesystem::path p(fname);
    if (!std::filesystem::exists(p, ec)) throw ESoundFileError(start + "the file does not exist");
    if (std::filesystem::is_directory(p, ec)) throw ESoundFileError(start + "it is a folder");
    const auto size = std::filesystem::file_size(p, ec);
    if (!ec && size == 0) throw ESoundFileError(start + "the file is empty");

    SF_INFO info{};
    auto f = std::make_unique<tfile>();
    f->handle = sf_open(fname.c_str(), SFM_READ, &info);
    if (!f->handle) {
        const int err = sf_error(nullptr);
        if (err == SF_ERR_SYSTEM) throw ESoundFileError(start + sf_strerror(nullptr));
        if (err == SF_ERR_UNRECOGNISED_FORMAT)
            throw ESoundFileError(start + (looks_like_text(fname)
                                               ? "it is a text file, not a sound file"
                                               : "it is not a sound file in a format that can be "
                                                 "read"));
        if (err == SF_ERR_UNSUPPORTED_ENCODING)
            throw ESoundFileError(start + "its sample coding is not supported (" +
                                  sf_strerror(nullptr) + ")");
        if (err == SF_ERR_MALFORMED_FILE)
            throw ESoundFileError(start + "the file is damaged or truncated (" +
                                  sf_strerror(nullptr) + ")");
        throw ESoundFileError(start + sf_strerror(nullptr));
    }
    if (info.channels <= 0) throw ESoundFileError(start + "the file has no channels");
    if (!(info.samplerate > 0)) throw ESoundFileError(start + "the file has no valid sample rate");
    // Float codings keep their own scale: a value of 2 is twice full scale, as in a float WAV.
    sf_command(f->handle, SFC_SET_NORM_FLOAT, nullptr, SF_TRUE);
    const int subtype = info.format & SF_FORMAT_SUBMASK;
    fisfloat = subtype == SF_FORMAT_FLOAT || subtype == SF_FORMAT_DOUBLE;
    if (fisfloat) sf_command(f->handle, SFC_SET_NORM_FLOAT, nullptr, SF_FALSE);
    switch (subtype) {
    case SF_FORMAT_PCM_S8:
    case SF_FORMAT_PCM_U8:
        fnbits = 8;
        break;
    case SF_FORMAT_PCM_16:
        fnbits = 16;
        break;
    case SF_FORMAT_PCM_24:
        fnbits = 24;
        break;
    case SF_FORMAT_PCM_32:
        fnbits = 32;
        break;
    default:
        fnbits = 0;
    }
    fsampfreq = info.samplerate;
    fnchans = info.channels;
    fnframes = info.frames;
    fformatname = format_text(info.format & SF_FORMAT_TYPEMASK) + ", " + format_text(subtype);
    finterleaved.assign(readframes * std::size_t(fnchans), 0.0f);
    fchannel.assign(readframes, 0.0f);
    ffile = std::move(f);
}

std::size_t tsndfilereader::read_channel(int channo,
                                         const std::function<void(std::span<const float>)>& sink) {
    if (!ffile) throw ESoundFileError("Cannot read " + ffilename + ": the file is not open");
    if (channo < 0 || channo >= fnchans)
        throw ESoundFileError("Cannot read channel " + std::to_string(channo) + " of " + ffilename +
                              ": it has " + std::to_string(fnchans) +
                              (fnchans == 1 ? " channel" : " channels") + " (numbered from 0)");
    if (sf_seek(ffile->handle, 0, SEEK_SET) < 0 && fnframes > 0)
        throw ESoundFileError("Cannot read " + ffilename + ": " + sf_strerror(ffile->handle));
    std::size_t total = 0;
    const std::size_t nch = std::size_t(fnchans);
    for (;;) {
        const sf_count_t got =
            sf_readf_float(ffile->handle, finterleaved.data(), sf_count_t(readframes));
        if (got <= 0) break;
        const std::size_t n = std::size_t(got);
        for (std::size_t k = 0; k < n; ++k)
            fchannel[k] = finterleaved[k * nch + std::size_t(channo)];
        sink(std::span<const float>(fchannel.data(), n));
        total += n;
    }
    if (sf_error(ffile->handle) != SF_ERR_NO_ERROR && total == 0)
        throw ESoundFileError("Cannot read " + ffilename + ": " + sf_strerror(ffile->handle));
    return total;
}

} // namespace gravon
