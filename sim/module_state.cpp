#include "module_state.h"

#include <QFile>
#include <QList>

#include <cctype>
#include <cmath>

namespace sim {

namespace {

void setError(QString* error, const QString& text) {
    if (error)
        *error = text;
}

bool isHexToken(const QByteArray& token) {
    if (token.size() != 2)
        return false;
    for (const char c : token)
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return false;
    return true;
}

} // namespace

ModuleState::ModuleState() : m_eeprom(defaultEeprom()), m_registers(kSize, '\0') {}

int ModuleState::tableAddress(bool water, int column, int row) {
    return (7 + row) << 4 | (water ? 16 - column : 8 - column);
}

QByteArray ModuleState::defaultEeprom() {
    QByteArray e(kSize, '\0');
    auto set = [&e](int address, int value) { e[address] = char(value); };
    set(0x00, 0x11); // Flags00: water pressure channel present, pump "automatic", system on
    set(0x01, 0x00); // Flags01: normal second lambda, Russian menu, MAF sensor
    set(0x04, 100);  // KFuel
    set(0x08, 150);  // PTN 1.5 A
    set(0x09, 4);    // NumBurn
    set(0x0A, 100);  // Porog_T 40 C
    set(0x0F, 16);   // VolEng 1.6 l
    set(0x12, 0x80); // ignition angle value
    set(0x17, 20);   // ZdK 10 s
    set(0x1A, 0x37); // lambda training register
    set(0x1B, 0x82); // UKZ 0.02
    set(0x1D, 50);   // OPR 0.25
    set(0x1E, 0x77); // UPL -0.07 V
    set(0x1F, 0xA0); // Flags1F: simple menu view, normal water calculation
    set(0x20, 0x1C); // LUup
    set(0x21, 0x38); // LUdown
    for (int a = 0x22; a < kCurveAddress; ++a)
        set(a, 0xFF);
    for (int i = 0; i < 64; ++i) // emulated sensor voltage rising from 0.6 V to 4.6 V
        set(kCurveAddress + i, int(std::lround(50 * (0.6 + 4.0 * std::pow(i / 63.0, 1.15)))));
    for (int a = 0x70; a < kNameAddress; ++a)
        set(a, 0xFF);
    const QByteArray name("Marvek-2");
    for (int i = 0; i < kNameLength; ++i)
        set(kNameAddress + i, name.at(i));
    // Columns follow engine speed, rows follow load; cells in 0.1 ms.
    for (int row = 1; row <= 8; ++row) {
        for (int col = 1; col <= 8; ++col) {
            set(tableAddress(false, col, row), 15 + 5 * (col - 1) + 7 * (row - 1));
            set(tableAddress(true, col, row), row < 3 ? 0 : 6 * (row - 2) + 3 * (col - 1));
        }
    }
    return e;
}

bool ModuleState::setEepromImage(const QByteArray& image) {
    if (image.size() != kSize)
        return false;
    m_eeprom = image;
    return true;
}

void ModuleState::setRegWord(int address, quint16 value) {
    setReg(address, quint8(value & 0xFF));
    setReg(address + 1, quint8(value >> 8));
}

void ModuleState::setName(const QByteArray& name) {
    for (int i = 0; i < kNameLength; ++i)
        setEeprom(kNameAddress + i, i < name.size() ? quint8(name.at(i)) : quint8(' '));
}

bool ModuleState::parseImage(const QByteArray& data, QByteArray* image, QString* error) {
    QByteArray bytes;
    bool text = true;
    for (QByteArray line : data.split('\n')) {
        if (const qsizetype hash = line.indexOf('#'); hash >= 0)
            line.truncate(hash);
        line = line.trimmed();
        if (line.startsWith("EEPROM-")) // dump line: the value follows " = "
            line = line.mid(line.indexOf('=') + 1);
        for (const QByteArray& token : line.simplified().split(' ')) {
            if (token.isEmpty() || token.endsWith(':')) // row labels such as "30:"
                continue;
            if (!isHexToken(token)) {
                text = false;
                break;
            }
            bytes.append(char(token.toInt(nullptr, 16)));
        }
        if (!text)
            break;
    }
    if (text && bytes.size() == kSize) {
        *image = bytes;
        return true;
    }
    if (data.size() == kSize) {
        *image = data;
        return true;
    }
    setError(error, text ? QStringLiteral("image holds %1 bytes, expected 256").arg(bytes.size())
                         : QStringLiteral("neither a text image nor a 256-byte binary file"));
    return false;
}

QByteArray ModuleState::formatImage(const QByteArray& image) {
    QByteArray out = "# Marvek-2 simulator EEPROM image. Row \"A0:\" holds addresses A0..AF,\n"
                     "# each byte as two hex digits, high nibble first.\n";
    for (int row = 0; row < kSize / 16; ++row) {
        out += QByteArray::number(row * 16, 16).rightJustified(2, '0').toUpper() + ':';
        for (int col = 0; col < 16; ++col)
            out += ' ' + QByteArray::number(quint8(image.at(row * 16 + col)), 16)
                             .rightJustified(2, '0')
                             .toUpper();
        out += '\n';
    }
    return out;
}

bool ModuleState::loadImage(const QString& path, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        setError(error, QStringLiteral("%1: %2").arg(path, file.errorString()));
        return false;
    }
    QByteArray image;
    QString why;
    if (!parseImage(file.readAll(), &image, &why)) {
        setError(error, QStringLiteral("%1: %2").arg(path, why));
        return false;
    }
    m_eeprom = image;
    return true;
}

bool ModuleState::saveImage(const QString& path, QString* error) const {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(formatImage(m_eeprom)) < 0) {
        setError(error, QStringLiteral("%1: %2").arg(path, file.errorString()));
        return false;
    }
    return true;
}

} // namespace sim
