// The whole receive path on the real window over the in-memory port: the
// input sets the state the last request armed, the start address and the two
// display corrections, then arrives as one block in one notification.
//
// Input: RecKind (2 bytes, big-endian), RecLength (2 bytes, big-endian), the
// texts of txtStartID, txtTAdj and txtHAdj each ended by '\n', then the block.
#include <cstdint>
#include <string_view>

#include <QApplication>
#include <QByteArray>

#include "fuzz/fuzz_check.h"
#include "support/window_fixture.h"

namespace {

QApplication* application = nullptr;
WindowFixture* fixture = nullptr;

const QString kKeep = QStringLiteral("keep");    // a box no handler wrote
const QString kNoText = QStringLiteral("state"); // a received text no handler wrote

struct Input {
    std::int16_t kind = 0;
    std::int16_t length = 0;
    QString start, tAdj, hAdj;
    QByteArray block;
};

std::int16_t TakeInt16(std::string_view& rest) {
    std::uint16_t value = 0;
    for (int i = 0; i < 2; ++i) {
        value = static_cast<std::uint16_t>(value << 8);
        if (!rest.empty()) {
            value = static_cast<std::uint16_t>(value | static_cast<std::uint8_t>(rest.front()));
            rest.remove_prefix(1);
        }
    }
    return static_cast<std::int16_t>(value);
}

QString TakeLine(std::string_view& rest) {
    const std::size_t end = std::min(rest.find('\n'), rest.size());
    const QString text = QString::fromUtf8(rest.data(), static_cast<qsizetype>(end));
    rest.remove_prefix(std::min(end + 1, rest.size()));
    return text;
}

Input Split(const std::uint8_t* data, std::size_t size) {
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    Input input;
    input.kind = TakeInt16(rest);
    input.length = TakeInt16(rest);
    input.start = TakeLine(rest);
    input.tAdj = TakeLine(rest);
    input.hAdj = TakeLine(rest);
    input.block = QByteArray(rest.data(), static_cast<qsizetype>(rest.size()));
    return input;
}

// CRC-16/MODBUS, computed here rather than taken from the codec.
std::uint16_t Crc(const QByteArray& bytes, qsizetype count) {
    std::uint16_t crc = 0xFFFF;
    for (qsizetype i = 0; i < count; ++i) {
        crc ^= static_cast<std::uint8_t>(bytes[i]);
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 1) != 0 ? static_cast<std::uint16_t>((crc >> 1) ^ 0xA001)
                                 : static_cast<std::uint16_t>(crc >> 1);
        }
    }
    return crc;
}

// A register read response as awaited: RecLength bytes at least, the last two
// of them the CRC of the ones before, low byte first.
bool SoundResponse(const QByteArray& block, int length) {
    if (length < 3 || block.size() < length) {
        return false;
    }
    const std::uint16_t crc = Crc(block, length - 2);
    return static_cast<std::uint8_t>(block[length - 2]) == (crc & 0xFF) &&
           static_cast<std::uint8_t>(block[length - 1]) == (crc >> 8);
}

QString ReceivedText(const QByteArray& block) {
    QString text;
    for (char byte : block) {
        text += QStringLiteral(" %1").arg(static_cast<std::uint8_t>(byte), 2, 16, QLatin1Char('0'));
    }
    return text.toUpper();
}

// "#0.00": -?digits.digits{2}, never "-0.00"; or "0" for a missing reading.
bool ValueTextOrKept(const QString& text) {
    static const QRegularExpression pattern(QStringLiteral("^-?[0-9]+\\.[0-9]{2}$"));
    return text == kKeep || text == QLatin1String("0") ||
           (pattern.match(text).hasMatch() && text != QLatin1String("-0.00"));
}

} // namespace

// Fontconfig, loaded the first time a text is measured, keeps blocks it never
// frees; they are not the program's.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "fuzz_receive_path";
    static char* argv[] = {name, nullptr};
    application = new QApplication(argc, argv);
    fixture = new WindowFixture;
    fixture->port.setPortOpen(true);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Input input = Split(data, size);
    WindowFixture& f = *fixture;
    Form& form = f.window->form();
    Ui::frmMain& ui = f.ui();

    ui.txtStartID->setText(input.start);
    ui.txtTAdj->setText(input.tAdj);
    ui.txtHAdj->setText(input.hAdj);
    for (QLineEdit* box : {ui.txtValue_0, ui.txtValue_1, ui.txtSetID_0, ui.txtStationID}) {
        box->setText(kKeep);
    }
    ui.txtState->setPlainText(kNoText);
    ui.imgNotConnected->raise();
    form.state.RecKind = input.kind;
    form.state.RecLength = input.length;
    form.state.RecCount = 0;
    f.port.setRThreshold(1);
    f.port.deliver(input.block);

    // What fits the port's input buffer arrives; the rest is lost on the line.
    const QByteArray arrived = input.block.left(CommControl::kInBufferSize);
    FUZZ_CHECK(f.port.inBufferCount() == 0, "%d bytes left waiting", f.port.inBufferCount());
    FUZZ_CHECK(form.busy == 0, "a handler is still running");
    if (arrived.isEmpty()) {
        FUZZ_CHECK(ui.txtState->toPlainText() == kNoText && form.state.RecCount == 0,
                   "nothing arrived, yet a notification ran");
        return 0;
    }

    const QString shown = ui.txtState->toPlainText();
    FUZZ_CHECK(shown == ReceivedText(arrived), "txtState \"%s\"", qPrintable(shown));
    FUZZ_CHECK(f.front() == ui.imgConnected, "the connected picture is not in front");

    const bool decoded = input.kind == 1 && SoundResponse(arrived, input.length);
    for (const QLineEdit* box : {ui.txtValue_0, ui.txtValue_1}) {
        const QString text = box->text();
        FUZZ_CHECK(decoded ? ValueTextOrKept(text) : text == kKeep, "%s shows \"%s\"",
                   qPrintable(box->objectName()), qPrintable(text));
    }
    // One for the notification, one more for each register that holds no reading.
    const int registers = decoded ? (input.length - 3) / 2 : 0;
    FUZZ_CHECK(form.state.RecCount >= 1 && form.state.RecCount <= 1 + registers &&
                   ui.lblErrCounter->text() == QString::number(form.state.RecCount),
               "%d notifications counted, %s shown", form.state.RecCount,
               qPrintable(ui.lblErrCounter->text()));

    const QString address =
        input.kind == 5 ? QString::number(static_cast<std::uint8_t>(arrived[0])) : kKeep;
    FUZZ_CHECK(ui.txtSetID_0->text() == address && ui.txtStationID->text() == address,
               "echoed address \"%s\" / \"%s\"", qPrintable(ui.txtSetID_0->text()),
               qPrintable(ui.txtStationID->text()));
    return 0;
}
