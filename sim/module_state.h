#pragma once

#include <QByteArray>
#include <QString>

namespace sim {

// The module's memory: the 256-byte EEPROM (settings, emulation curve, name, injection tables)
// and the 256-byte working-register space that the engine model keeps live.
class ModuleState {
public:
    static constexpr int kSize = 256;
    static constexpr int kNameAddress = 0x78;
    static constexpr int kNameLength = 8;
    static constexpr int kCurveAddress = 0x30; // 64 points, volts x 50
    static constexpr int kTableAddress = 0x80; // fuel at low digit 0..7, water at 8..F

    ModuleState();

    // A plausible factory image: name "Marvek-2", settings, rising curve, smooth tables.
    static QByteArray defaultEeprom();
    // EEPROM address of a table cell; column and row run 1..8 as on the program's grids.
    static int tableAddress(bool water, int column, int row);

    quint8 eeprom(int address) const { return quint8(m_eeprom.at(address & 0xFF)); }
    void setEeprom(int address, quint8 value) { m_eeprom[address & 0xFF] = char(value); }
    const QByteArray& eepromImage() const { return m_eeprom; }
    bool setEepromImage(const QByteArray& image); // false unless exactly 256 bytes

    quint8 reg(int address) const { return quint8(m_registers.at(address & 0xFF)); }
    void setReg(int address, quint8 value) { m_registers[address & 0xFF] = char(value); }
    quint16 regWord(int address) const { return quint16(reg(address) | reg(address + 1) << 8); }
    void setRegWord(int address, quint16 value);
    const QByteArray& registers() const { return m_registers; }

    QByteArray name() const { return m_eeprom.mid(kNameAddress, kNameLength); }
    // Stores the first 8 characters, padded with blanks.
    void setName(const QByteArray& name);

    // Image files: text, 16 rows of 16 bytes as two hex digits high nibble first; or the
    // program's dump lines "EEPROM-1F = A5"; or a raw binary file of exactly 256 bytes.
    bool loadImage(const QString& path, QString* error = nullptr);
    bool saveImage(const QString& path, QString* error = nullptr) const;
    static bool parseImage(const QByteArray& data, QByteArray* image, QString* error = nullptr);
    static QByteArray formatImage(const QByteArray& image);

private:
    QByteArray m_eeprom;
    QByteArray m_registers;
};

} // namespace sim
