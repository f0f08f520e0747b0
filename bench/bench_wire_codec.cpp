// Throughput of the wire codecs: encoding commands and decoding answers.
#include "wire_codec.h"

#include <QElapsedTimer>
#include <QString>

#include <cstdio>

namespace {

template <typename F> double millionPerSecond(long long n, F&& body) {
    QElapsedTimer clock;
    clock.start();
    body();
    return double(n) / (double(clock.nsecsElapsed()) / 1e9) / 1e6;
}

} // namespace

int main() {
    const long long n = 20'000'000;
    QString answers[256];
    for (int b = 0; b < 256; ++b)
        answers[b] = wire::ValueToSend(b);
    const QString word = QStringLiteral("4321");

    long long sink = 0;
    const double decodeByte = millionPerSecond(n, [&] {
        for (long long i = 0; i < n; ++i)
            sink += wire::DecodeByte(answers[i & 255]).value_or(0);
    });
    const double decodeWord = millionPerSecond(n, [&] {
        for (long long i = 0; i < n; ++i)
            sink += wire::DecodeWord(word).value_or(0) + (i & 1);
    });
    const double bits = millionPerSecond(n / 4, [&] {
        for (long long i = 0; i < n / 4; ++i)
            sink += wire::BitsOfAnswer(answers[i & 255]).size();
    });
    const double encode = millionPerSecond(n / 4, [&] {
        for (long long i = 0; i < n / 4; ++i)
            sink += wire::WriteEepromCommand(int(i & 255), int((i >> 8) & 255)).size();
    });
    std::printf("decode byte answer     %8.1f M/s\n", decodeByte);
    std::printf("decode word answer     %8.1f M/s\n", decodeWord);
    std::printf("bits of a byte answer  %8.1f M/s\n", bits);
    std::printf("encode EEPROM write    %8.1f M/s\n", encode);
    std::printf("(checksum %lld)\n", sink);
    return 0;
}
