#include "files/session_items.h"

#include "files/oem_codepage.h"

#include <cstdint>
#include <cstdio>
#include <vector>

namespace gravon {

namespace {

// Characters of one piece: well below the 255 a reader takes, so that the escaped blank that
// may end a piece still fits.
constexpr std::size_t piecechars = 240;

// Decodes the UTF-8 sequence at s[i] and advances i; a malformed byte gives U+FFFD.
std::uint32_t next_code_point(const std::string& s, std::size_t& i) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    const int len = b0 < 0x80           ? 1
                    : (b0 >> 5) == 0x6  ? 2
                    : (b0 >> 4) == 0xE  ? 3
                    : (b0 >> 3) == 0x1E ? 4
                                        : 0;
    if (len == 0 || i + std::size_t(len) > s.size()) {
        ++i;
        return 0xFFFD;
    }
    std::uint32_t cp = len == 1   ? b0
                       : len == 2 ? (b0 & 0x1Fu)
                       : len == 3 ? (b0 & 0x0Fu)
                                  : (b0 & 0x07u);
    for (int k = 1; k < len; ++k) {
        const auto b = static_cast<unsigned char>(s[i + std::size_t(k)]);
        if ((b & 0xC0) != 0x80) {
            ++i;
            return 0xFFFD;
        }
        cp = (cp << 6) | (b & 0x3Fu);
    }
    i += std::size_t(len);
    return cp;
}

void append_utf8(std::string& s, std::uint32_t cp) {
    if (cp < 0x80) {
        s += char(cp);
    } else if (cp < 0x800) {
        s += char(0xC0 | (cp >> 6));
        s += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        s += char(0xE0 | (cp >> 12));
        s += char(0x80 | ((cp >> 6) & 0x3F));
        s += char(0x80 | (cp & 0x3F));
    } else {
        s += char(0xF0 | (cp >> 18));
        s += char(0x80 | ((cp >> 12) & 0x3F));
        s += char(0x80 | ((cp >> 6) & 0x3F));
        s += char(0x80 | (cp & 0x3F));
    }
}

std::string escape_of(std::uint32_t cp) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "\\u{%X}", unsigned(cp));
    return buf;
}

// The value as pieces of whole characters or escapes.
std::vector<std::string> tokens_of(const std::string& text) {
    std::vector<std::string> t;
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t start = i;
        const std::uint32_t cp = next_code_point(text, i);
        if (cp == '\\') {
            t.emplace_back("\\\\");
        } else if (cp == '\n') {
            t.emplace_back("\\n");
        } else if (cp == '\r') {
            // A CR LF pair is one line break; a lone CR is one too.
            if (i < text.size() && text[i] == '\n') continue;
            t.emplace_back("\\n");
        } else if (cp < 0x20 || cp == 0x7F) {
            t.push_back(escape_of(cp));
        } else if (cp < 0x80) {
            t.emplace_back(1, char(cp));
        } else {
            std::string ch;
            append_utf8(ch, cp);
            const bool held = cp != 0xFFFD && oemtotext(texttooem(ch)) == ch;
            t.push_back(held ? text.substr(start, i - start) : escape_of(cp));
        }
    }
    return t;
}

std::string item_key(const std::string& key, int piece) {
    return piece > 1 ? key + "." + std::to_string(piece) : key;
}

std::vector<std::string> pieces_of(const std::string& text) {
    std::vector<std::string> pieces;
    std::vector<std::string> t = tokens_of(text);
    std::size_t i = 0;
    while (i < t.size()) {
        std::size_t j = i, chars = 0;
        while (j < t.size() && chars + utf8_length(t[j]) <= piecechars)
            chars += utf8_length(t[j++]);
        if (t[i] == " ") t[i] = escape_of(' ');
        if (t[j - 1] == " ") t[j - 1] = escape_of(' ');
        std::string p;
        for (std::size_t k = i; k < j; ++k) p += t[k];
        pieces.push_back(p);
        i = j;
    }
    return pieces;
}

bool is_hex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

} // namespace

std::string header_text_value(const std::string& text) {
    std::string v;
    for (const std::string& p : pieces_of(text)) v += p;
    return v;
}

std::string header_value_text(const std::string& value) {
    std::string s;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 >= value.size()) {
            s += value[i];
            continue;
        }
        const char e = value[i + 1];
        if (e == '\\') {
            s += '\\';
            ++i;
        } else if (e == 'n') {
            s += '\n';
            ++i;
        } else if (e == 'u' && i + 2 < value.size() && value[i + 2] == '{') {
            std::size_t j = i + 3;
            std::uint32_t cp = 0;
            while (j < value.size() && is_hex(value[j]) && j - (i + 3) < 6) {
                const char c = value[j++];
                cp = cp * 16 + std::uint32_t(c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10);
            }
            const bool ok = j > i + 3 && j < value.size() && value[j] == '}' && cp <= 0x10FFFF &&
                            !(cp >= 0xD800 && cp <= 0xDFFF);
            if (!ok) {
                s += value[i];
                continue;
            }
            append_utf8(s, cp);
            i = j;
        } else {
            s += value[i];
        }
    }
    return s;
}

void write_text_items(TSMPfile& file, const std::string& key, const std::string& text) {
    const std::vector<std::string> pieces = pieces_of(text);
    for (std::size_t p = 0; p < pieces.size(); ++p)
        file.set_item(item_key(key, int(p + 1)), pieces[p]);
}

std::string read_text_items(const TSMPfile& file, const std::string& key) {
    std::string value;
    for (int p = 1;; ++p) {
        const std::string piece = file.get_item(item_key(key, p));
        if (piece.empty()) break;
        value += piece;
    }
    return header_value_text(value);
}

void erase_items_with_prefix(TSMPfile& file, const std::string& prefix) {
    const auto lower = [](std::string s) {
        for (char& c : s)
            if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
        return s;
    };
    const std::string lowprefix = lower(prefix);
    std::vector<std::string> old;
    for (const std::string& line : file.Items()) {
        const std::string key = line.substr(0, line.find('='));
        if (lower(key.substr(0, prefix.size())) == lowprefix) old.push_back(key);
    }
    for (const std::string& key : old) file.set_item(key, "");
}

void write_session_items(TSMPfile& file, const tsessionrecord& r) {
    erase_items_with_prefix(file, sessionitemprefix);
    for (const tsessionfield& f : session_fields())
        write_text_items(file, sessionitemprefix + std::string(f.key), r.*f.member);
}

tsessionrecord read_session_items(const TSMPfile& file) {
    tsessionrecord r;
    for (const tsessionfield& f : session_fields())
        r.*f.member = read_text_items(file, sessionitemprefix + std::string(f.key));
    return r;
}

} // namespace gravon
