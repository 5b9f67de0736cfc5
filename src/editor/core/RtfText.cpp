#include "editor/core/RtfText.h"

#include "platform/core/Cp1252.h"

#include <cstddef>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace rtf {
namespace {

enum class Action : unsigned char {
    Destination, // the group holds no text for us
    Text,        // stands for fixed text
    UnicodeSkip, // \ucN
    Unicode,     // \uN
    Binary,      // \binN
};

struct Word
{
    Action action;
    const char *text; // for Action::Text, NUL-free
};

const std::unordered_map<std::string_view, Word> &Words()
{
    static const std::unordered_map<std::string_view, Word> words = [] {
        std::unordered_map<std::string_view, Word> map;
        // Groups whose content is never document text. {\* ...} covers the
        // newer ones; these are the ones writers emit without the star.
        // \pntext, \listtext and \fldrslt are missing on purpose: they hold
        // the rendered list number or field value a plain reader should show.
        static const char *const destinations[] = {
            "aftncn",
            "aftnsep",
            "aftnsepc",
            "annotation",
            "atnauthor",
            "atndate",
            "atnicn",
            "atnid",
            "atnparent",
            "atnref",
            "atntime",
            "atrfend",
            "atrfstart",
            "author",
            "bkmkend",
            "bkmkstart",
            "buptim",
            "category",
            "colorschememapping",
            "colortbl",
            "comment",
            "company",
            "creatim",
            "datafield",
            "datastore",
            "do",
            "doccomm",
            "docvar",
            "falt",
            "fchars",
            "ffdeftext",
            "ffentrymcr",
            "ffexitmcr",
            "ffformat",
            "ffhelptext",
            "ffl",
            "ffname",
            "ffstattext",
            "filetbl",
            "fldinst",
            "fontemb",
            "fontfile",
            "fonttbl",
            "footer",
            "footerf",
            "footerl",
            "footerr",
            "footnote",
            "formfield",
            "ftncn",
            "ftnsep",
            "ftnsepc",
            "generator",
            "header",
            "headerf",
            "headerl",
            "headerr",
            "hlinkbase",
            "info",
            "keywords",
            "latentstyles",
            "lchars",
            "levelnumbers",
            "leveltext",
            "lfolevel",
            "listoverridetable",
            "listpicture",
            "liststylename",
            "listtable",
            "manager",
            "nonshppict",
            "object",
            "objalias",
            "objclass",
            "objdata",
            "objname",
            "objsect",
            "objtime",
            "operator",
            "pgdsctbl",
            "pict",
            "pn",
            "pnseclvl",
            "pntxta",
            "pntxtb",
            "printim",
            "private",
            "propname",
            "protusertbl",
            "pxe",
            "result",
            "revtbl",
            "rsidtbl",
            "rxe",
            "shpinst",
            "shppict",
            "stylesheet",
            "subject",
            "tc",
            "template",
            "themedata",
            "title",
            "txe",
            "userprops",
            "xe",
            "xmlnstbl",
        };
        for (const char *name : destinations)
            map.emplace(name, Word{Action::Destination, nullptr});

        const struct
        {
            const char *name;
            const char *text;
        } texts[] = {
            {"par", "\r\n"},    {"line", "\r\n"},      {"row", "\r\n"},       {"sect", "\r\n"},   {"tab", "\t"},
            {"cell", "\t"},     {"nestcell", "\t"},    {"emdash", "\x97"},    {"endash", "\x96"}, {"lquote", "\x91"},
            {"rquote", "\x92"}, {"ldblquote", "\x93"}, {"rdblquote", "\x94"}, {"bullet", "\x95"}, {"emspace", " "},
            {"enspace", " "},   {"qmspace", " "},
        };
        for (const auto &t : texts)
            map.emplace(t.name, Word{Action::Text, t.text});

        map.emplace("uc", Word{Action::UnicodeSkip, nullptr});
        map.emplace("u", Word{Action::Unicode, nullptr});
        map.emplace("bin", Word{Action::Binary, nullptr});
        return map;
    }();
    return words;
}

int ByteForCodePoint(long long cp)
{
    return cp < 0 || cp > 0x10FFFF ? -1 : cp1252::FromUnicode(char32_t(cp));
}

bool IsLetter(unsigned char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool IsDigit(unsigned char c)
{
    return c >= '0' && c <= '9';
}
bool IsSpace(unsigned char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

int HexValue(unsigned char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Consecutive open groups sharing one \ucN value. A new group inherits its
// parent's value, so nesting only adds an entry when a group changes it:
// a million nested braces cost one entry, not a million.
struct GroupRun
{
    int uc;
    std::size_t groups;
};

class Reader
{
public:
    Reader(const unsigned char *begin, const unsigned char *end) : p_(begin), end_(end) { }

    QByteArray Run()
    {
        while (p_ < end_) {
            const unsigned char c = *p_;
            if (c == '{') {
                ++p_;
                OpenGroup();
            } else if (c == '}') {
                ++p_;
                if (CloseGroup())
                    break;
            } else if (c == '\\') {
                ++p_;
                ControlSequence();
            } else if (c == '\r' || c == '\n') {
                ++p_;
            } else {
                Characters();
            }
        }
        return std::move(out_);
    }

private:
    bool Skipping() const { return skipFrom_ != 0; }

    void OpenGroup()
    {
        fallback_ = 0;
        ++depth_;
        if (Skipping())
            return;
        if (runs_.empty())
            runs_.push_back({1, 1});
        else
            ++runs_.back().groups;
    }

    // True when the outermost group closed: the document is over.
    bool CloseGroup()
    {
        fallback_ = 0;
        if (Skipping()) {
            if (depth_ == skipFrom_) {
                skipFrom_ = 0;
                PopGroupRun();
            }
        } else {
            PopGroupRun();
        }
        --depth_;
        return depth_ == 0;
    }

    void PopGroupRun()
    {
        if (runs_.empty())
            return;
        if (--runs_.back().groups == 0)
            runs_.pop_back();
    }

    void SetUnicodeSkip(int uc)
    {
        GroupRun &top = runs_.back();
        if (top.uc == uc)
            return;
        if (top.groups == 1) {
            top.uc = uc;
        } else {
            --top.groups;
            runs_.push_back({uc, 1});
        }
    }

    void SkipGroup()
    {
        // The outer group is the document itself; dropping it for a stray
        // destination word would lose everything.
        if (depth_ <= 1)
            return;
        skipFrom_ = depth_;
        fallback_ = 0;
    }

    // Emits one unit of text unless it belongs to a \u fallback.
    void Emit(const char *text)
    {
        if (fallback_ > 0)
            --fallback_;
        else
            out_.append(text);
    }

    void Emit(char c)
    {
        if (fallback_ > 0)
            --fallback_;
        else
            out_.append(c);
    }

    void Characters()
    {
        if (Skipping()) {
            while (p_ < end_ && *p_ != '\\' && *p_ != '{' && *p_ != '}')
                ++p_;
            return;
        }
        if (fallback_ > 0) {
            Emit(char(*p_++));
            return;
        }
        const unsigned char *start = p_;
        while (p_ < end_) {
            const unsigned char c = *p_;
            if (c == '\\' || c == '{' || c == '}' || c == '\r' || c == '\n')
                break;
            ++p_;
        }
        out_.append(reinterpret_cast<const char *>(start), p_ - start);
    }

    void ControlSequence()
    {
        if (p_ >= end_)
            return;
        if (!IsLetter(*p_)) {
            ControlSymbol(*p_++);
            return;
        }
        const unsigned char *nameStart = p_;
        while (p_ < end_ && IsLetter(*p_))
            ++p_;
        const std::string_view name(reinterpret_cast<const char *>(nameStart), std::size_t(p_ - nameStart));
        bool hasParam = false;
        long long param = 0;
        bool negative = false;
        if (p_ < end_ && *p_ == '-' && p_ + 1 < end_ && IsDigit(p_[1])) {
            negative = true;
            ++p_;
        }
        // Saturate: absurd parameters must neither overflow nor wrap into
        // plausible values.
        constexpr long long limit = 1'000'000'000'000LL;
        while (p_ < end_ && IsDigit(*p_)) {
            hasParam = true;
            if (param < limit)
                param = param * 10 + (*p_ - '0');
            ++p_;
        }
        if (negative)
            param = -param;
        if (p_ < end_ && *p_ == ' ')
            ++p_;
        ControlWord(name, hasParam, param);
    }

    void ControlWord(std::string_view name, bool hasParam, long long param)
    {
        const auto &words = Words();
        const auto it = words.find(name);
        const Word *word = it == words.end() ? nullptr : &it->second;

        // Binary data has to be stepped over in every state, or its bytes
        // would be read as braces and backslashes.
        if (word && word->action == Action::Binary) {
            const long long wanted = hasParam && param > 0 ? param : 0;
            const long long left = end_ - p_;
            p_ += wanted < left ? wanted : left;
            if (fallback_ > 0)
                --fallback_;
            return;
        }
        if (Skipping())
            return;
        if (fallback_ > 0) {
            --fallback_;
            return;
        }
        if (!word)
            return;

        switch (word->action) {
        case Action::Destination: SkipGroup(); break;
        case Action::Text: out_.append(word->text); break;
        case Action::UnicodeSkip:
            if (hasParam)
                SetUnicodeSkip(param < 0 ? 0 : param > 0xFFFF ? 0xFFFF : int(param));
            break;
        case Action::Unicode: {
            if (!hasParam)
                break;
            long long cp = param;
            if (cp < 0)
                cp += 0x10000;
            const int byte = cp <= 0xFFFF ? ByteForCodePoint(cp) : -1;
            const int uc = runs_.back().uc;
            if (byte >= 0) {
                out_.append(char(byte));
                fallback_ = uc;
            } else if (uc == 0) {
                out_.append('?');
            }
            break;
        }
        case Action::Binary: break;
        }
    }

    void ControlSymbol(unsigned char c)
    {
        if (c == '\'') {
            int value = 0;
            int digits = 0;
            while (digits < 2 && p_ < end_ && HexValue(*p_) >= 0) {
                value = value * 16 + HexValue(*p_++);
                ++digits;
            }
            if (Skipping())
                return;
            if (digits == 2)
                Emit(char(value));
            else if (fallback_ > 0)
                --fallback_;
            return;
        }
        if (Skipping())
            return;
        switch (c) {
        case '\\':
        case '{':
        case '}': Emit(char(c)); break;
        case '~': Emit('\xA0'); break;
        case '_': Emit('-'); break;
        case '\r':
        case '\n':
            // An escaped line end is an old spelling of \par.
            Emit("\r\n");
            break;
        case '*':
            if (fallback_ > 0)
                --fallback_;
            else
                SkipGroup();
            break;
        default:
            // \- (optional hyphen) and the rest have no text of their own.
            if (fallback_ > 0)
                --fallback_;
            break;
        }
    }

    const unsigned char *p_;
    const unsigned char *end_;
    QByteArray out_;
    std::vector<GroupRun> runs_;
    std::size_t depth_ = 0;
    std::size_t skipFrom_ = 0; // depth of the group being skipped, 0 = none
    long long fallback_ = 0;   // units of a \u fallback still to drop
};

// Offset of the '{' of "{\rtf", or -1.
qsizetype HeaderOffset(const QByteArray &data)
{
    qsizetype i = 0;
    while (i < data.size() && IsSpace(static_cast<unsigned char>(data[i])))
        ++i;
    if (data.size() - i < 5 || data.mid(i, 5) != "{\\rtf")
        return -1;
    return i;
}

void AppendHex(QByteArray &out, unsigned char byte)
{
    static const char digits[] = "0123456789abcdef";
    out.append("\\'");
    out.append(digits[byte >> 4]);
    out.append(digits[byte & 0xF]);
}

} // namespace

bool LooksLikeRtf(const QByteArray &data)
{
    return HeaderOffset(data) >= 0;
}

bool ReadRtf(const QByteArray &data, QByteArray &text)
{
    const qsizetype start = HeaderOffset(data);
    if (start < 0)
        return false;
    // "{\rtfx..." is some other word, not the RTF header.
    const qsizetype afterWord = start + 5;
    if (afterWord < data.size() && IsLetter(static_cast<unsigned char>(data[afterWord])))
        return false;
    const auto *bytes = reinterpret_cast<const unsigned char *>(data.constData());
    Reader reader(bytes + start, bytes + data.size());
    text = reader.Run();
    return true;
}

QByteArray WriteRtf(const QByteArray &text, const QByteArray &fontFamily, int pointSize)
{
    if (pointSize < 1)
        pointSize = 10;
    else if (pointSize > 1638) // the largest size \fs can express in Word
        pointSize = 1638;

    QByteArray out;
    out.reserve(text.size() + text.size() / 8 + fontFamily.size() + 96);
    out.append("{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0 ");
    for (const char ch : fontFamily) {
        const auto c = static_cast<unsigned char>(ch);
        // ';' ends the name in the font table, so it cannot be part of it.
        if (c < 0x20 || c == ';' || c == 0x7F)
            continue;
        if (c == '\\' || c == '{' || c == '}') {
            out.append('\\');
            out.append(ch);
        } else if (c >= 0x80) {
            AppendHex(out, c);
        } else {
            out.append(ch);
        }
    }
    out.append(";}}\\f0\\fs");
    out.append(QByteArray::number(pointSize * 2));
    out.append(' ');

    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < size && text[i + 1] == '\n')
                ++i;
            out.append("\\par\r\n");
        } else if (c == '\t') {
            out.append("\\tab ");
        } else if (c == '\\' || c == '{' || c == '}') {
            out.append('\\');
            out.append(char(c));
        } else if (c >= 0x20 && c < 0x7F) {
            out.append(char(c));
        } else {
            AppendHex(out, c);
        }
    }
    out.append("}\r\n");
    return out;
}

} // namespace rtf
