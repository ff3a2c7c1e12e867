#include "protocol/memory_image.h"

#include <QTest>

Q_DECLARE_METATYPE(DayBlockValues)

namespace {

using Raw9 = std::array<uint8_t, ProfileBlockSize>;
using Raw10 = std::array<uint8_t, 10>;


} // namespace

class MemoryImageTest : public QObject {
    Q_OBJECT

private slots:
    void bcdDecodesNibblesAsDigits()
    {
        QCOMPARE(DecodeBcd(0x00), uint8_t(0));
        QCOMPARE(DecodeBcd(0x99), uint8_t(99));
        QCOMPARE(DecodeBcd(0x4A), uint8_t(50)); // invalid digit read as ten
        QCOMPARE(DecodeBcd(0xFF), uint8_t(165));
        for (int v = 0; v < 100; ++v)
            QCOMPARE(int(DecodeBcd(EncodeBcd(v))), v);
    }

    void profileBlock_data()
    {
        QTest::addColumn<bool>("metric");
        QTest::addColumn<int>("steplength");
        QTest::addColumn<int>("weight");
        QTest::addColumn<int>("target");
        QTest::addColumn<int>("hour");
        QTest::addColumn<int>("minute");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("metric 14:07") << true << 75 << 68 << 10000 << 14 << 7 << QByteArray::fromHex("057580060000714001");
        QTest::newRow("imperial 23:59") << false << 62 << 150 << 99999 << 23 << 59 << QByteArray::fromHex("046200159999993502");
        QTest::newRow("oversized values clamp") << true << 1234 << 5000 << 250000 << 0 << 0 << QByteArray::fromHex("059999999999090000");
    }

    void profileBlock()
    {
        QFETCH(bool, metric);
        QFETCH(int, steplength);
        QFETCH(int, weight);
        QFETCH(int, target);
        QFETCH(int, hour);
        QFETCH(int, minute);
        QFETCH(QByteArray, expected);
        const Raw9 block = BuildProfileBlock(metric, uint16_t(steplength), uint16_t(weight), uint32_t(target), hour, minute);
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(block.data()), ProfileBlockSize).toHex(), expected.toHex());

        // Read back from an image holding the block at memory bytes 1-9.
        std::array<uint8_t, MemoryImageSize> raw{};
        std::copy(block.begin(), block.end(), raw.begin() + 1);
        const ProfileValues back = DecodeProfileValues(DecodeMemory(raw));
        QCOMPARE(back.Metric, metric);
        QCOMPARE(int(back.Steplength), std::min(steplength, 999));
        QCOMPARE(int(back.Weight), std::min(weight, 999));
        QCOMPARE(int(back.TargetSteps), std::min(target, 99999));
    }

    void dayBlock_data()
    {
        QTest::addColumn<QByteArray>("raw");
        QTest::addColumn<DayBlockValues>("values");
        QTest::newRow("example") << QByteArray::fromHex("45236187095012300200") << DayBlockValues{12345, 9876, 1250, 23};
        QTest::newRow("zero") << QByteArray(10, '\0') << DayBlockValues{};
        QTest::newRow("largest") << QByteArray::fromHex("99999999999999999999") << DayBlockValues{99999, 99999, 99999, 99999};
    }

    void dayBlock()
    {
        QFETCH(QByteArray, raw);
        QFETCH(DayBlockValues, values);
        const Raw10 encoded = EncodeDayBlockRaw(values);
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(encoded.data()), 10).toHex(), raw.toHex());
        for (int daysBefore = 0; daysBefore < DaysInMemory; ++daysBefore) {
            std::array<uint8_t, MemoryImageSize> memory{};
            std::copy(raw.begin(), raw.end(), memory.begin() + DayBlockOffset(daysBefore));
            QCOMPARE(DecodeDayBlock(DecodeMemory(memory), daysBefore), values);
        }
    }

    void dayBlocksDoNotOverlapTheTotal()
    {
        QCOMPARE(DayBlockOffset(0), 10);
        QCOMPARE(DayBlockOffset(1), 30);
        QCOMPARE(DayBlockOffset(7), 90);
        std::array<uint8_t, MemoryImageSize> raw{};
        raw[20] = 0x45;
        raw[21] = 0x23;
        raw[22] = 0x71; // only the low digit belongs to the total
        QCOMPARE(DeviceStepTotal(DecodeMemory(raw)), 12345u);
    }
};

QTEST_GUILESS_MAIN(MemoryImageTest)
#include "test_memory_image.moc"
