#include "engine_model.h"

#include "module_state.h"

#include <algorithm>
#include <cmath>

namespace sim {

namespace {

struct Phase {
    double minSeconds, maxSeconds, minThrottle, maxThrottle;
};
// idle, cruise, full load, cruise; then idle again
constexpr Phase kPhases[] = {
    {6, 12, 0, 0}, {8, 14, 0.25, 0.5}, {3, 6, 0.75, 1}, {5, 10, 0.2, 0.45}};
constexpr int kPhaseCount = int(std::size(kPhases));
constexpr double kIdleRpm = 850;
constexpr double kRpmSpan = 4300;

quint16 toWord(double v) {
    return quint16(std::clamp(std::lround(v), 0L, 65535L));
}

quint8 toByte(double v) {
    return quint8(std::clamp(std::lround(v), 0L, 255L));
}

} // namespace

EngineModel::EngineModel(quint32 seed) {
    reseed(seed);
}

void EngineModel::reseed(quint32 seed) {
    m_rng.seed(seed);
    m_elapsedMs = 0;
    m_phase = 0;
    m_throttle = 0;
    m_rpm = kIdleRpm;
    m_temperature = 18 + noise(3);
    m_pressure = 0;
    m_fuelCounts = 0;
    nextPhase();
}

double EngineModel::noise(double amplitude) {
    return std::uniform_real_distribution<double>(-amplitude, amplitude)(m_rng);
}

void EngineModel::nextPhase() {
    const Phase& p = kPhases[m_phase];
    const double a = std::uniform_real_distribution<double>(0, 1)(m_rng);
    const double b = std::uniform_real_distribution<double>(0, 1)(m_rng);
    m_phaseLeft = p.minSeconds + (p.maxSeconds - p.minSeconds) * a;
    m_throttleTarget = p.minThrottle + (p.maxThrottle - p.minThrottle) * b;
    m_phase = (m_phase + 1) % kPhaseCount;
}

void EngineModel::step(int ms, ModuleState& state) {
    m_elapsedMs += std::max(ms, 0);
    double left = std::max(ms, 0) / 1000.0;
    do { // substeps of at most 50 ms keep the first-order lags stable
        const double dt = std::min(left, 0.05);
        advance(dt, state);
        left -= dt;
    } while (left > 1e-9);
    write(state);
}

void EngineModel::advance(double dt, const ModuleState& state) {
    m_phaseLeft -= dt;
    if (m_phaseLeft <= 0)
        nextPhase();
    m_throttle += (m_throttleTarget - m_throttle) * std::min(1.0, dt / 0.7);
    m_rpm += (kIdleRpm + kRpmSpan * m_throttle - m_rpm) * std::min(1.0, dt / 1.2);
    const double speed = std::clamp((m_rpm - kIdleRpm) / kRpmSpan, 0.0, 1.0);
    m_load = std::clamp(0.1 + 0.75 * m_throttle + 0.15 * speed, 0.0, 1.0);
    m_temperature += (90.5 - m_temperature) * dt / 80; // thermostat opens near 90 C

    const bool systemOn = !(state.eeprom(0x00) & 0x80);
    const double threshold = std::floor(state.eeprom(0x0A) / 2.5);
    const bool pumpOn = systemOn && m_temperature >= threshold - 5;
    m_pressure += ((pumpOn ? 3.6 : 0.0) - m_pressure) * std::min(1.0, dt / 0.5);

    m_fuelMs = 2.3 + 7.5 * m_load;
    const bool water = systemOn && m_temperature >= threshold && m_load > 0.3 && m_pressure > 2;
    const int column = 1 + int(std::lround(speed * 7));
    const int row = 1 + int(std::lround(m_load * 7));
    m_waterMs = water ? state.eeprom(ModuleState::tableAddress(true, column, row)) / 10.0 : 0.0;
    m_fuelOutMs = m_fuelMs * (water ? 1.0 - 0.08 * m_load : 1.0);

    int injectors = state.eeprom(0x09);
    if (injectors < 1 || injectors > 8)
        injectors = 4;
    // 4-stroke: each injector fires every second revolution; 0.003 l/s injector flow
    m_litresPerHour = m_rpm * 30 * m_fuelMs / 1000 * 0.003 * injectors;
    m_fuelCounts += m_litresPerHour * dt / 3600 * 20480.0 * 256 / kFuelFlowFactor;
}

void EngineModel::write(ModuleState& state) {
    state.setReg(FuelTime, toByte((m_fuelMs + noise(0.03)) * 10));
    state.setRegWord(FuelConsumption, toWord(m_litresPerHour * 5120 / kFuelFlowFactor));
    state.setRegWord(CrankPeriod, toWord(300000 / (m_rpm + noise(8))));

    const int whole = int(m_fuelCounts);
    m_fuelCounts -= whole;
    quint32 used =
        state.reg(FuelUsed) | state.reg(FuelUsed + 1) << 8 | state.reg(FuelUsed + 2) << 16;
    used = (used + quint32(whole)) & 0xFFFFFF;
    for (int i = 0; i < 3; ++i)
        state.setReg(FuelUsed + i, quint8(used >> (8 * i)));

    state.setReg(WaterTime, toByte(m_waterMs * 10));
    state.setReg(FuelOutTime, toByte(m_fuelOutMs * 10));
    state.setRegWord(FuelFlowFactor, kFuelFlowFactor);
    state.setRegWord(WaterPressure, toWord((m_pressure + noise(0.05)) * 160));
    const double current = m_pressure > 0.5 ? 1.6 + 0.3 * m_pressure + 0.05 * m_waterMs : 0.0;
    state.setRegWord(PumpCurrent, toWord((current + noise(0.03)) * 100));
    state.setRegWord(Temperature, toWord((m_temperature + noise(0.05)) * 10));
    state.setRegWord(AirSensorVoltage,
                     toWord((0.95 + 3.6 * std::pow(m_load, 0.9)) * 200 + noise(2)));
    state.setRegWord(FuelPosition, toWord(std::clamp(m_fuelMs * 6.4, 0.0, 63.9) * 64));
}

} // namespace sim
