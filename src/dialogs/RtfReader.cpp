#include "dialogs/RtfReader.h"

#include "store/Windows1252.h"

#include <QBrush>
#include <QColor>
#include <QFont>
#include <QList>
#include <QString>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <array>
#include <climits>
#include <string_view>
#include <vector>

namespace kestrune::ui {

namespace {

// Groups nested deeper than this are read as if their braces were not there.
constexpr std::size_t kMaxDepth = 1000;
// Digits beyond this value no longer change a parameter; keeps the sum far
// away from overflow however many digits follow.
constexpr long long kParameterCeiling = 1'000'000'000'000LL;
// Twips per pixel at 96 dots per inch.
constexpr double kTwipsPerPixel = 15.0;

enum class Word {
    Bold,
    Italic,
    Underline,
    UnderlineNone,
    Plain,
    FontSize,
    Colour,
    Red,
    Green,
    Blue,
    ColourTable,
    Skip, // a destination that is not shown
    Paragraph,
    Line,
    Tab,
    Character, // a named character, given in WordEntry::ch
    ParagraphReset,
    AlignLeft,
    AlignCentre,
    AlignRight,
    AlignJustify,
    SpaceBefore,
    SpaceAfter,
    LeftIndent,
    FirstIndent,
    Unicode,
    UnicodeSkip,
    Binary,
};

struct WordEntry {
    std::string_view name;
    Word word;
    char16_t ch = 0;
};

// Sorted by name for the binary search in findWord().
constexpr std::array kWords{
    WordEntry{"aftncn", Word::Skip},
    WordEntry{"aftnsep", Word::Skip},
    WordEntry{"aftnsepc", Word::Skip},
    WordEntry{"author", Word::Skip},
    WordEntry{"b", Word::Bold},
    WordEntry{"bin", Word::Binary},
    WordEntry{"blue", Word::Blue},
    WordEntry{"bullet", Word::Character, u'\u2022'},
    WordEntry{"buptim", Word::Skip},
    WordEntry{"cf", Word::Colour},
    WordEntry{"colorschememapping", Word::Skip},
    WordEntry{"colortbl", Word::ColourTable},
    WordEntry{"comment", Word::Skip},
    WordEntry{"company", Word::Skip},
    WordEntry{"creatim", Word::Skip},
    WordEntry{"datastore", Word::Skip},
    WordEntry{"doccomm", Word::Skip},
    WordEntry{"emdash", Word::Character, u'\u2014'},
    WordEntry{"emspace", Word::Character, u'\u2003'},
    WordEntry{"endash", Word::Character, u'\u2013'},
    WordEntry{"enspace", Word::Character, u'\u2002'},
    WordEntry{"fi", Word::FirstIndent},
    WordEntry{"filetbl", Word::Skip},
    WordEntry{"fldinst", Word::Skip},
    WordEntry{"fonttbl", Word::Skip},
    WordEntry{"footer", Word::Skip},
    WordEntry{"footerf", Word::Skip},
    WordEntry{"footerl", Word::Skip},
    WordEntry{"footerr", Word::Skip},
    WordEntry{"footnote", Word::Skip},
    WordEntry{"fs", Word::FontSize},
    WordEntry{"ftncn", Word::Skip},
    WordEntry{"ftnsep", Word::Skip},
    WordEntry{"ftnsepc", Word::Skip},
    WordEntry{"generator", Word::Skip},
    WordEntry{"green", Word::Green},
    WordEntry{"header", Word::Skip},
    WordEntry{"headerf", Word::Skip},
    WordEntry{"headerl", Word::Skip},
    WordEntry{"headerr", Word::Skip},
    WordEntry{"i", Word::Italic},
    WordEntry{"info", Word::Skip},
    WordEntry{"keywords", Word::Skip},
    WordEntry{"latentstyles", Word::Skip},
    WordEntry{"ldblquote", Word::Character, u'\u201C'},
    WordEntry{"li", Word::LeftIndent},
    WordEntry{"line", Word::Line},
    WordEntry{"listoverridetable", Word::Skip},
    WordEntry{"listtable", Word::Skip},
    WordEntry{"lquote", Word::Character, u'\u2018'},
    WordEntry{"nonshppict", Word::Skip},
    WordEntry{"objdata", Word::Skip},
    WordEntry{"object", Word::Skip},
    WordEntry{"operator", Word::Skip},
    WordEntry{"page", Word::Paragraph},
    WordEntry{"par", Word::Paragraph},
    WordEntry{"pard", Word::ParagraphReset},
    WordEntry{"pict", Word::Skip},
    WordEntry{"plain", Word::Plain},
    WordEntry{"pntxta", Word::Skip},
    WordEntry{"pntxtb", Word::Skip},
    WordEntry{"printim", Word::Skip},
    WordEntry{"qc", Word::AlignCentre},
    WordEntry{"qj", Word::AlignJustify},
    WordEntry{"ql", Word::AlignLeft},
    WordEntry{"qr", Word::AlignRight},
    WordEntry{"rdblquote", Word::Character, u'\u201D'},
    WordEntry{"red", Word::Red},
    WordEntry{"revtbl", Word::Skip},
    WordEntry{"revtim", Word::Skip},
    WordEntry{"rquote", Word::Character, u'\u2019'},
    WordEntry{"rsidtbl", Word::Skip},
    WordEntry{"sa", Word::SpaceAfter},
    WordEntry{"sb", Word::SpaceBefore},
    WordEntry{"sect", Word::Paragraph},
    WordEntry{"stylesheet", Word::Skip},
    WordEntry{"subject", Word::Skip},
    WordEntry{"tab", Word::Tab},
    WordEntry{"tc", Word::Skip},
    WordEntry{"themedata", Word::Skip},
    WordEntry{"title", Word::Skip},
    WordEntry{"txe", Word::Skip},
    WordEntry{"u", Word::Unicode},
    WordEntry{"uc", Word::UnicodeSkip},
    WordEntry{"ul", Word::Underline},
    WordEntry{"ulnone", Word::UnderlineNone},
    WordEntry{"xe", Word::Skip},
};
static_assert(std::is_sorted(kWords.begin(), kWords.end(),
                             [](const WordEntry& a, const WordEntry& b) {
                                 return a.name < b.name;
                             }));

const WordEntry* findWord(std::string_view name) {
    const auto it = std::lower_bound(
        kWords.begin(), kWords.end(), name,
        [](const WordEntry& entry, std::string_view key) { return entry.name < key; });
    return (it != kWords.end() && it->name == name) ? &*it : nullptr;
}

enum class Destination { Text, ColourTable, Skip };
enum class Alignment { Default, Centre, Right, Justify };

struct CharProps {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    int halfPoints = 0; // 0: the document's own size
    int colour = 0;     // index into the colour table; 0: the document's own colour
    bool operator==(const CharProps&) const = default;
};

struct ParaProps {
    Alignment alignment = Alignment::Default;
    int spaceBefore = 0; // all in twips
    int spaceAfter = 0;
    int leftIndent = 0;
    int firstIndent = 0;
    bool operator==(const ParaProps&) const = default;
};

struct GroupState {
    CharProps chars;
    ParaProps para;
    int unicodeSkip = 1; // fallback characters after each \uN
    Destination destination = Destination::Text;
};

bool isLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

int hexValue(char c) {
    if (isDigit(c)) {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// The character of every byte, made once.
const QString& byteCharacters() {
    static const QString table = [] {
        QByteArray bytes(256, Qt::Uninitialized);
        for (int i = 0; i < 256; ++i) {
            bytes[i] = char(i);
        }
        QString text = store::fromWindows1252(bytes);
        return text.size() == 256 ? text : QString::fromLatin1(bytes);
    }();
    return table;
}

double twipsToPixels(int twips) {
    return twips / kTwipsPerPixel;
}

class Reader {
public:
    Reader(QByteArrayView input, QTextDocument& document) : input_(input), cursor_(&document) {}

    void run() {
        while (pos_ < input_.size()) {
            const char c = input_[pos_++];
            switch (c) {
            case '{':
                openGroup();
                break;
            case '}':
                closeGroup();
                break;
            case '\\':
                controlSequence();
                break;
            case '\r':
            case '\n':
                break;
            default:
                plainByte(static_cast<unsigned char>(c));
                break;
            }
        }
        flush();
    }

private:
    void openGroup() {
        fallbackLeft_ = 0;
        if (stack_.size() < kMaxDepth) {
            stack_.push_back(state_);
        } else {
            ++ignoredOpenings_;
        }
    }

    void closeGroup() {
        fallbackLeft_ = 0;
        if (ignoredOpenings_ > 0) {
            --ignoredOpenings_;
        } else if (!stack_.empty()) {
            // The text so far takes the paragraph format of its group; a last
            // paragraph without a \par mark keeps it after the group closes.
            flush();
            state_ = stack_.back();
            stack_.pop_back();
        }
    }

    // True when the character just read is the fallback of a \uN and is dropped.
    bool skippedAsFallback() {
        if (fallbackLeft_ > 0) {
            --fallbackLeft_;
            return true;
        }
        return false;
    }

    void plainByte(unsigned char byte) {
        if (skippedAsFallback()) {
            return;
        }
        if (state_.destination == Destination::ColourTable && byte == ';') {
            endColour();
            return;
        }
        put(byteCharacters().at(byte).unicode());
    }

    void controlSequence() {
        if (pos_ >= input_.size()) {
            return; // a backslash at the very end
        }
        if (isLetter(input_[pos_])) {
            controlWord();
            return;
        }
        const char symbol = input_[pos_++];
        if (symbol == '\'') {
            hexEscape();
            return;
        }
        if (skippedAsFallback()) {
            return;
        }
        switch (symbol) {
        case '\\':
        case '{':
        case '}':
            put(char16_t(symbol));
            break;
        case '~':
            put(u'\u00A0');
            break;
        case '_':
            put(u'\u2011');
            break;
        case '*':
            state_.destination = Destination::Skip;
            break;
        case '\r':
        case '\n':
            paragraph();
            break;
        default: // \- (optional hyphen) and the index symbols show nothing
            break;
        }
    }

    void hexEscape() {
        int value = 0;
        int digits = 0;
        while (digits < 2 && pos_ < input_.size()) {
            const int digit = hexValue(input_[pos_]);
            if (digit < 0) {
                break;
            }
            value = value * 16 + digit;
            ++digits;
            ++pos_;
        }
        if (skippedAsFallback() || digits < 2) {
            return;
        }
        put(byteCharacters().at(value).unicode());
    }

    void controlWord() {
        const qsizetype start = pos_;
        while (pos_ < input_.size() && isLetter(input_[pos_])) {
            ++pos_;
        }
        const std::string_view name(input_.data() + start, std::size_t(pos_ - start));

        bool negative = false;
        if (pos_ + 1 < input_.size() && input_[pos_] == '-' && isDigit(input_[pos_ + 1])) {
            negative = true;
            ++pos_;
        }
        bool hasParameter = false;
        long long value = 0;
        while (pos_ < input_.size() && isDigit(input_[pos_])) {
            hasParameter = true;
            if (value < kParameterCeiling) {
                value = value * 10 + (input_[pos_] - '0');
            }
            ++pos_;
        }
        if (pos_ < input_.size() && input_[pos_] == ' ') {
            ++pos_; // the delimiter belongs to the word
        }
        value = std::clamp(negative ? -value : value, (long long)INT_MIN, (long long)INT_MAX);
        const int parameter = int(value);

        const WordEntry* entry = findWord(name);
        if (skippedAsFallback()) {
            if (entry != nullptr && entry->word == Word::Binary) {
                skipBinary(parameter);
            }
            return;
        }
        if (entry != nullptr) {
            apply(*entry, hasParameter, parameter);
        }
    }

    void apply(const WordEntry& entry, bool hasParameter, int parameter) {
        const bool on = !hasParameter || parameter != 0;
        CharProps& chars = state_.chars;
        ParaProps& para = state_.para;
        switch (entry.word) {
        case Word::Bold:
            chars.bold = on;
            break;
        case Word::Italic:
            chars.italic = on;
            break;
        case Word::Underline:
            chars.underline = on;
            break;
        case Word::UnderlineNone:
            chars.underline = false;
            break;
        case Word::Plain:
            chars = CharProps();
            break;
        case Word::FontSize:
            chars.halfPoints = parameter > 0 ? std::clamp(parameter, 2, 1000) : 0;
            break;
        case Word::Colour:
            chars.colour = std::max(parameter, 0);
            break;
        case Word::Red:
            setComponent(red_, parameter);
            break;
        case Word::Green:
            setComponent(green_, parameter);
            break;
        case Word::Blue:
            setComponent(blue_, parameter);
            break;
        case Word::ColourTable:
            if (state_.destination == Destination::Text) {
                state_.destination = Destination::ColourTable;
            }
            break;
        case Word::Skip:
            state_.destination = Destination::Skip;
            break;
        case Word::Paragraph:
            paragraph();
            break;
        case Word::Line:
            put(u'\u2028');
            break;
        case Word::Tab:
            put(u'\t');
            break;
        case Word::Character:
            put(entry.ch);
            break;
        case Word::ParagraphReset:
            para = ParaProps();
            break;
        case Word::AlignLeft:
            para.alignment = Alignment::Default;
            break;
        case Word::AlignCentre:
            para.alignment = Alignment::Centre;
            break;
        case Word::AlignRight:
            para.alignment = Alignment::Right;
            break;
        case Word::AlignJustify:
            para.alignment = Alignment::Justify;
            break;
        case Word::SpaceBefore:
            para.spaceBefore = clampTwips(parameter);
            break;
        case Word::SpaceAfter:
            para.spaceAfter = clampTwips(parameter);
            break;
        case Word::LeftIndent:
            para.leftIndent = clampTwips(parameter);
            break;
        case Word::FirstIndent:
            para.firstIndent = clampTwips(parameter);
            break;
        case Word::Unicode:
            if (hasParameter) {
                unicodeCharacter(parameter);
            }
            break;
        case Word::UnicodeSkip:
            state_.unicodeSkip = hasParameter ? std::clamp(parameter, 0, 255) : 1;
            break;
        case Word::Binary:
            skipBinary(parameter);
            break;
        }
    }

    static int clampTwips(int twips) {
        // 22 inches either way is more than any page.
        return std::clamp(twips, -31680, 31680);
    }

    void setComponent(int& component, int parameter) {
        if (state_.destination == Destination::ColourTable) {
            component = std::clamp(parameter, 0, 255);
            componentSeen_ = true;
        }
    }

    void endColour() {
        // An entry without components is the "automatic" colour.
        colours_.append(componentSeen_ ? QColor(red_, green_, blue_) : QColor());
        red_ = green_ = blue_ = 0;
        componentSeen_ = false;
    }

    void unicodeCharacter(int value) {
        if (value < 0) {
            value += 65536; // written as a signed 16-bit number
        }
        char16_t ch = (value >= 0 && value <= 0xFFFF) ? char16_t(value) : u'\uFFFD';
        // The document keeps these for its own structure (frame marks, which
        // would start a paragraph, and the place of an embedded object).
        if (ch == u'\uFDD0' || ch == u'\uFDD1' || ch == QChar::ObjectReplacementCharacter) {
            ch = u'\uFFFD';
        }
        put(ch);
        fallbackLeft_ = state_.unicodeSkip;
    }

    void skipBinary(int count) {
        pos_ += std::clamp(qsizetype(count), qsizetype(0), input_.size() - pos_);
    }

    void put(char16_t ch) {
        if (state_.destination != Destination::Text) {
            return;
        }
        if (ch < 0x20 && ch != u'\t') {
            return; // NULs and line breaks in the data are no text
        }
        if (!pending_.isEmpty() && pendingProps_ != state_.chars) {
            flush();
        }
        pendingProps_ = state_.chars;
        pending_.append(QChar(ch));
    }

    void paragraph() {
        if (state_.destination != Destination::Text) {
            return;
        }
        flush();
        applyBlockFormat();
        cursor_.insertBlock(blockFormat(state_.para), charFormat(state_.chars));
        appliedPara_ = state_.para;
    }

    void flush() {
        if (pending_.isEmpty()) {
            return;
        }
        applyBlockFormat();
        cursor_.insertText(pending_, charFormat(pendingProps_));
        pending_.clear();
    }

    void applyBlockFormat() {
        if (appliedPara_ != state_.para) {
            cursor_.setBlockFormat(blockFormat(state_.para));
            appliedPara_ = state_.para;
        }
    }

    QTextCharFormat charFormat(const CharProps& props) const {
        QTextCharFormat format;
        if (props.bold) {
            format.setFontWeight(QFont::Bold);
        }
        if (props.italic) {
            format.setFontItalic(true);
        }
        if (props.underline) {
            format.setFontUnderline(true);
        }
        if (props.halfPoints > 0) {
            format.setFontPointSize(props.halfPoints / 2.0);
        }
        if (props.colour > 0 && props.colour < colours_.size() &&
            colours_.at(props.colour).isValid()) {
            format.setForeground(QBrush(colours_.at(props.colour)));
        }
        return format;
    }

    static QTextBlockFormat blockFormat(const ParaProps& props) {
        QTextBlockFormat format;
        switch (props.alignment) {
        case Alignment::Default:
            break;
        case Alignment::Centre:
            format.setAlignment(Qt::AlignHCenter);
            break;
        case Alignment::Right:
            format.setAlignment(Qt::AlignRight);
            break;
        case Alignment::Justify:
            format.setAlignment(Qt::AlignJustify);
            break;
        }
        if (props.spaceBefore != 0) {
            format.setTopMargin(twipsToPixels(props.spaceBefore));
        }
        if (props.spaceAfter != 0) {
            format.setBottomMargin(twipsToPixels(props.spaceAfter));
        }
        if (props.leftIndent != 0) {
            format.setLeftMargin(twipsToPixels(props.leftIndent));
        }
        if (props.firstIndent != 0) {
            format.setTextIndent(twipsToPixels(props.firstIndent));
        }
        return format;
    }

    QByteArrayView input_;
    qsizetype pos_ = 0;
    QTextCursor cursor_;

    GroupState state_;
    std::vector<GroupState> stack_;
    qsizetype ignoredOpenings_ = 0; // groups opened beyond kMaxDepth
    int fallbackLeft_ = 0;

    QList<QColor> colours_;
    int red_ = 0;
    int green_ = 0;
    int blue_ = 0;
    bool componentSeen_ = false;

    QString pending_;
    CharProps pendingProps_;
    ParaProps appliedPara_;
};

} // namespace

void readRtf(const QByteArray& rtf, QTextDocument& document) {
    const bool undo = document.isUndoRedoEnabled();
    document.setUndoRedoEnabled(false);
    document.clear();
    {
        Reader reader(rtf, document);
        QTextCursor batch(&document);
        batch.beginEditBlock();
        reader.run();
        batch.endEditBlock();
    }
    document.setUndoRedoEnabled(undo);
}

} // namespace kestrune::ui
