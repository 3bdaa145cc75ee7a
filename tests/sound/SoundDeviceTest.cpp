// The sound device's ring over SDL's disk driver: what is written plays once, in order, across
// the wrap; a halted device plays nothing; a stalled writer counts an underrun; volume and
// 24-bit samples are handled in the callback; devices without sound say why.
#include "platform/SoundDevice.h"
#include "sound/SoundTestSupport.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QThread>
#include <gtest/gtest.h>

#include <cstring>

namespace {

// Writes `pcm` into an open device as room appears (starting it after the first fill) and
// waits until all of it has played.
bool Feed(TSoundDevice& device, const QByteArray& pcm) {
    qsizetype at = 0;
    bool started = device.Playing();
    while (at < pcm.size()) {
        const uint32_t n = device.Write(pcm.constData() + at, uint32_t(pcm.size() - at));
        at += n;
        if (!started) {
            device.Start();
            started = true;
        }
        if (n == 0 && !WaitUntil([&] { return device.FreeSpace() > 0; }))
            return false;
    }
    return WaitUntil([&] { return device.BytesPlayed() == device.BytesWritten(); });
}

} // namespace

TEST(SoundDeviceTest, PlaysWhatWasWrittenOnceAndInOrderAcrossTheWrap) {
    TDiskAudio disk;
    TSoundDevice device;
    const uint32_t ring = 44100 * 4; // one second
    ASSERT_EQ(device.Open({}, {2, 44100, 16}, ring + 3), seNone) << device.LastError().toStdString();
    EXPECT_EQ(device.BufferBytes(), ring); // whole frames
    EXPECT_EQ(device.FreeSpace(), ring);
    const QByteArray pcm = MakePcm16(110000, 2, 7); // two and a half rings
    ASSERT_TRUE(Feed(device, pcm));
    EXPECT_EQ(device.BytesWritten(), uint64_t(pcm.size()));
    EXPECT_EQ(device.FreeSpace(), ring);
    EXPECT_DOUBLE_EQ(device.FramesWritten(), 110000.0);
    EXPECT_EQ(device.UnderrunCount(), 0);
    device.Close();
    // Nothing lost or repeated. (SDL may play silence while the device opens, and the device
    // plays silence once the ring has run dry.)
    EXPECT_TRUE(TrimSilence(disk.Played(), 4) == TrimSilence(pcm, 4));
}

TEST(SoundDeviceTest, HaltedDevicePlaysNothingAndAStalledWriterIsAnUnderrun) {
    TDiskAudio disk;
    TSoundDevice device;
    const uint32_t ring = 2205 * 4; // 50 ms
    ASSERT_EQ(device.Open({}, {2, 44100, 16}, ring), seNone);
    const QByteArray first = MakePcm16(2205, 2, 1);
    const QByteArray second = MakePcm16(2000, 2, 2);
    ASSERT_TRUE(Feed(device, first));
    // Nothing more comes for longer than the ring plays: one underrun (or more), and silence.
    ASSERT_TRUE(WaitUntil([&] { return device.UnderrunCount() > 0; }));
    device.Halt();
    EXPECT_FALSE(device.Playing());
    ASSERT_EQ(device.Write(second.constData(), uint32_t(second.size())), uint32_t(second.size()));
    const uint64_t played = device.BytesPlayed();
    QThread::msleep(50);
    EXPECT_EQ(device.BytesPlayed(), played);
    const int32_t underruns = device.UnderrunCount();
    device.Continue();
    ASSERT_TRUE(WaitUntil([&] { return device.BytesPlayed() == device.BytesWritten(); }));
    EXPECT_EQ(device.UnderrunCount() - underruns, 0) << "a halted device is not starving";
    device.Close();
    EXPECT_TRUE(WithoutSilence(disk.Played(), 4) == WithoutSilence(first + second, 4));
}

TEST(SoundDeviceTest, VolumeAndWideSamplesAreHandledAsTheDevicePlays) {
    TDiskAudio disk;
    {
        // 24-bit samples go out as 32-bit ones.
        TSoundDevice device;
        ASSERT_EQ(device.Open({}, {1, 8000, 24}, 3 * 800), seNone);
        QByteArray pcm;
        for (int i = 0; i < 800; ++i) {
            const int32_t v = (i * 7919 % 16777216) - 8388608;
            pcm.append(char(v & 0xFF)).append(char((v >> 8) & 0xFF)).append(char((v >> 16) & 0xFF));
        }
        ASSERT_TRUE(Feed(device, pcm));
        device.Close();
        const QByteArray played = TrimSilence(disk.Played(), 4);
        ASSERT_GE(played.size(), 800 * 4);
        for (int i = 0; i < 800; ++i) {
            int32_t out = 0;
            std::memcpy(&out, played.constData() + 4 * i, 4);
            ASSERT_EQ(out >> 8, (i * 7919 % 16777216) - 8388608) << i;
            ASSERT_EQ(out & 0xFF, 0);
        }
    }
    {
        // -20 dB (in hundredths) scales by a tenth; the setting is kept across an open.
        QFile::remove(disk.FilePath());
        TSoundDevice device;
        device.SetVolume(-2000);
        ASSERT_EQ(device.Open({}, {2, 8000, 16}, 4 * 1000), seNone);
        QByteArray pcm;
        for (int i = 0; i < 1000; ++i) {
            const int16_t s[2] = {int16_t(10000), int16_t(-3000)};
            pcm.append(reinterpret_cast<const char*>(s), 4);
        }
        ASSERT_TRUE(Feed(device, pcm));
        device.Close();
        const QByteArray played = TrimSilence(disk.Played(), 4);
        ASSERT_GE(played.size(), pcm.size());
        for (int i = 0; i < 1000; ++i) {
            int16_t s[2];
            std::memcpy(s, played.constData() + 4 * i, 4);
            ASSERT_EQ(s[0], 1000);
            ASSERT_EQ(s[1], -300);
        }
    }
}

TEST(SoundDeviceTest, DeviceListsAndFailuresSayWhatIsWrong) {
    {
        TDiskAudio disk;
        const std::vector<TSoundDeviceInfo> out = TSdlAudio::Devices(false);
        ASSERT_GE(out.size(), 2u); // the default device, then the disk driver's one
        EXPECT_TRUE(out[0].Id.isEmpty());
        EXPECT_LE(out.size(), size_t(TSdlAudio::MaxDevices));
        EXPECT_EQ(TSdlAudio::DriverName(), "disk");
        TSoundDevice device;
        EXPECT_EQ(device.Open({}, {2, 44100, 12}, 4000), seFormat);
        EXPECT_EQ(device.Open({}, {2, 44100, 16}, 3), seFormat);
        EXPECT_FALSE(device.IsOpen());
    }
    for (const QByteArray& driver : {QByteArray("dummy"), QByteArray("no-such-driver")}) {
        TDiskAudio none(driver);
        TSoundDevice device;
        EXPECT_EQ(device.Open({}, {2, 44100, 16}, 4000), seDevice) << driver.constData();
        EXPECT_FALSE(device.LastError().isEmpty());
        EXPECT_EQ(TSdlAudio::Devices(false).size(), 1u);
        // Halting, writing and closing a device that never opened are harmless.
        device.Halt();
        EXPECT_EQ(device.Write("abcd", 4), 0u);
        device.Close();
    }
}
