#pragma once

#include <QtGlobal>

#include <random>

namespace sim {

class ModuleState;

// A petrol engine with the module fitted, reduced to the working registers the program polls.
// The engine cycles through idle, cruise and full-load phases while the coolant warms up from
// cold; water injection starts once the temperature threshold (EEPROM 0x0A) is reached and the
// load is high enough, unless the system is switched off (EEPROM 0x00 bit 7). Raw values are
// chosen so that the program's scalings show realistic readings. Given the same seed and the
// same sequence of steps, the registers take the same values.
class EngineModel {
public:
    // Registers written by step().
    enum Register : quint8 {
        FuelConsumption = 0x30, // word, l/h = 0.1 * word * FuelFlowFactor / 512
        FuelTime = 0x32,        // byte, 0.1 ms
        FuelUsed = 0x40,        // 24-bit counter 0x40..0x42, litres = n * factor / 20480 / 256
        FuelPosition = 0x47,    // word, relative fuel position * 64
        CrankPeriod = 0x56,     // word, rpm = 300000 / word
        WaterTime = 0x69,       // byte, 0.1 ms
        FuelOutTime = 0x6D,     // byte, 0.1 ms
        FuelFlowFactor = 0x74,  // word, constant
        WaterPressure = 0xA2,   // word, bar * 160
        PumpCurrent = 0xA4,     // word, A * 100
        Temperature = 0xA6,     // word, degrees C * 10
        AirSensorVoltage = 0xAA // word, V * 200
    };
    static constexpr quint16 kFuelFlowFactor = 300;

    explicit EngineModel(quint32 seed = 1);
    void reseed(quint32 seed);

    // Advances the engine by ms milliseconds and writes the live registers.
    void step(int ms, ModuleState& state);

    double rpm() const { return m_rpm; }
    double temperature() const { return m_temperature; }
    double load() const { return m_load; }
    double elapsedSeconds() const { return m_elapsedMs / 1000.0; }

private:
    void advance(double dt, const ModuleState& state);
    void nextPhase();
    void write(ModuleState& state);
    double noise(double amplitude);

    std::mt19937 m_rng;
    qint64 m_elapsedMs = 0;
    int m_phase = 0;
    double m_phaseLeft = 0; // seconds
    double m_throttleTarget = 0;
    double m_throttle = 0;
    double m_rpm = 850;
    double m_load = 0;
    double m_temperature = 20;
    double m_pressure = 0;
    double m_fuelMs = 0;
    double m_waterMs = 0;
    double m_fuelOutMs = 0;
    double m_litresPerHour = 0;
    double m_fuelCounts = 0; // counter increments not yet written
};

} // namespace sim
