// Fuzz target for the rich text reader of the help window. Any bytes may sit in
// Help.rtf; for every input this checks that reading ends without a sanitizer
// report (the time is bounded by the fuzzer's -timeout), and that the document
//  - holds no more characters than the input has bytes, and no more
//    paragraphs than it has control sequences,
//  - holds no control characters other than tabs, and no frames or tables,
//  - comes out the same when the same input is read again into it;
// and that every byte written as \'hh comes out as its Windows-1252 character.

#include "FuzzCheck.h"

#include "dialogs/RtfReader.h"
#include "store/Windows1252.h"

#include <QByteArray>
#include <QGuiApplication>
#include <QTextDocument>
#include <QTextFrame>

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace {

QString rawText(const QTextDocument& document) {
    return document.toRawText();
}

void checkDocument(const QTextDocument& document, qsizetype inputSize, qsizetype backslashes) {
    // One character per byte at most, plus the separator every document ends in.
    FUZZ_CHECK(document.characterCount() <= inputSize + 1);
    FUZZ_CHECK(document.rootFrame()->childFrames().isEmpty());
    // Only a control sequence starts a paragraph; line ends in the file do not.
    FUZZ_CHECK(document.blockCount() - 1 <= backslashes);
    const QString text = rawText(document);
    for (const QChar ch : text) {
        const char16_t u = ch.unicode();
        FUZZ_CHECK(u >= 0x20 || u == u'\t');
        FUZZ_CHECK(u != QChar::ObjectReplacementCharacter);
        FUZZ_CHECK(u != 0xFDD0 && u != 0xFDD1); // frame marks
    }
}

// Every byte as \'hh in a minimal document: the text is the bytes' characters,
// less the control characters, which are no text.
void checkEscapedBytes(QByteArrayView bytes, QTextDocument& document) {
    static const char kHex[] = "0123456789abcdef";
    QByteArray rtf("{\\rtf1\\ansi ");
    QString expected;
    const QString characters = kestrune::store::fromWindows1252(bytes);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        rtf += "\\'";
        rtf += kHex[b >> 4];
        rtf += kHex[b & 15];
        if (characters[i].unicode() >= 0x20 || characters[i] == u'\t') {
            expected += characters[i];
        }
    }
    rtf += '}';
    kestrune::ui::readRtf(rtf, document);
    FUZZ_CHECK(rawText(document) == expected);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    // Fonts need a QGuiApplication; the offscreen platform needs no display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication* app = new QGuiApplication(*argc, *argv);
    (void)app;
    // Fonts and formats are set up on first use and kept; do it here so that
    // the first input is not taken for a leak.
    QTextDocument warmUp;
    kestrune::ui::readRtf("{\\rtf1{\\colortbl;\\red1\\green2\\blue3;}\\b\\i\\ul\\fs30\\cf1 a\\par}",
                          warmUp);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    QTextDocument document;
    kestrune::ui::readRtf(input, document);
    checkDocument(document, input.size(), input.count('\\'));
    const QString first = rawText(document);
    // Reading replaces what was there.
    kestrune::ui::readRtf(input, document);
    FUZZ_CHECK(rawText(document) == first);

    checkEscapedBytes(QByteArrayView(input).first(std::min<qsizetype>(input.size(), 256)),
                      document);
    return 0;
}
