// Wave images: the header check, loading and storing in every form, and
// playing through the recorded sound output and a recording device.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "controls/styled/qelstrm.h"
#include "controls/styled/qelwave.h"
#include "platform/os/sound.h"
#include "platform/os/waveout.h"

using namespace qel;

namespace {

// A small valid PCM wave image: mono, 8 kHz, 8 bits, `samples` bytes.
QByteArray WaveImage(int samples = 8) {
  rtl::TMemoryStream s;
  s.WriteBytes("RIFF");
  s.WriteInt32(36 + samples);
  s.WriteBytes("WAVEfmt ");
  s.WriteInt32(16);
  s.WriteInt16(1);
  s.WriteInt16(1);
  s.WriteInt32(8000);
  s.WriteInt32(8000);
  s.WriteInt16(1);
  s.WriteInt16(8);
  s.WriteBytes("data");
  s.WriteInt32(samples);
  for (int i = 0; i < samples; ++i) s.WriteUInt8(std::uint8_t(128 + i));
  return s.Bytes();
}

void Load(TQELWave &wave, const QByteArray &image) {
  rtl::TMemoryStream s;
  s.SetBytes(image);
  wave.LoadFromStream(&s);
}

}  // namespace

TEST(WaveHeader, ChecksOnlyTheMarkersInPlace) {
  TQELWaveInfo info;
  rtl::TMemoryStream s;
  s.SetBytes(WaveImage());
  s.SetPosition(10);
  ASSERT_TRUE(CheckWaveImage(&s, &info));
  EXPECT_EQ(s.Position(), 0);
  EXPECT_TRUE(info.Pcm);
  EXPECT_EQ(info.Channels, 1);
  EXPECT_EQ(info.SamplesPerSec, 8000u);
  EXPECT_EQ(info.RiffSize, 44u);

  // Whatever the format data, as long as "fmt " sits in its place.
  QByteArray odd = WaveImage();
  odd[20] = char(0x55);
  odd[22] = char(7);
  s.SetBytes(odd);
  ASSERT_TRUE(CheckWaveImage(&s, &info));
  EXPECT_FALSE(info.Pcm);
  EXPECT_EQ(info.Channels, 0);

  // A "LIST" chunk before "fmt " is refused.
  QByteArray list = WaveImage();
  list.replace(12, 4, "LIST");
  s.SetBytes(list);
  EXPECT_FALSE(CheckWaveImage(&s));
  s.SetBytes("RIFX");
  EXPECT_FALSE(CheckWaveImage(&s));
  rtl::TMemoryStream empty;
  EXPECT_FALSE(CheckWaveImage(&empty));
  // Ending inside the format fields is a read failure.
  s.SetBytes(WaveImage().left(30));
  try {
    CheckWaveImage(&s);
    FAIL();
  } catch (const EErrorCheckingWave &e) {
    EXPECT_TRUE(e.Message().startsWith(QStringLiteral("GetWaveData: Cannot open file ")));
  }
}

TEST(Wave, LoadingKeepsTheOldSoundOnBadData) {
  TQELWave wave;
  int changes = 0;
  wave.OnChange = [&](rtl::TObject *) { ++changes; };
  EXPECT_TRUE(wave.Empty());
  Load(wave, WaveImage());
  EXPECT_EQ(wave.Size(), WaveImage().size());
  EXPECT_EQ(changes, 1);

  try {
    Load(wave, QByteArray("RIFF\x10\0\0\0WAVELIST and more bytes", 32));
    FAIL();
  } catch (const EInvalidWave &e) {
    EXPECT_TRUE(e.Message().startsWith(QStringLiteral("TQELWave: Cannot open file ")));
  }
  EXPECT_EQ(wave.Bytes(), WaveImage());
  EXPECT_EQ(changes, 1);

  // An empty source clears.
  Load(wave, QByteArray());
  EXPECT_TRUE(wave.Empty());
  EXPECT_FALSE(wave.HasData());
}

TEST(Wave, FilesFormDataAndListForms) {
  QTemporaryDir dir;
  const QString name = dir.filePath(QStringLiteral("suono.wav"));
  TQELWave wave;
  Load(wave, WaveImage(300));
  wave.SaveToFile(name);
  auto copy = TQELWave::CreateFromFile(name);
  EXPECT_EQ(copy->Bytes(), wave.Bytes());
  EXPECT_THROW(TQELWave::CreateFromFile(dir.filePath(QStringLiteral("manca.wav"))), rtl::EFOpenError);

  for (bool compressed : {false, true}) {
    rtl::TMemoryStream s;
    wave.WriteStored(&s, compressed);
    s.SetPosition(0);
    TQELWave back;
    back.ReadStored(&s, compressed);
    EXPECT_EQ(back.Bytes(), wave.Bytes());
  }
  // "Data": a count, then the bytes; a count past the end is refused.
  rtl::TMemoryStream data;
  wave.WriteData(&data);
  EXPECT_EQ(data.Size(), 4 + wave.Size());
  data.SetBytes(data.Bytes().left(40));
  TQELWave cut;
  EXPECT_THROW(cut.ReadData(&data), rtl::EReadError);
  EXPECT_TRUE(cut.Empty());

  TQELWave assigned;
  assigned.Assign(&wave);
  EXPECT_EQ(assigned.Bytes(), wave.Bytes());
  assigned.Assign(nullptr);
  EXPECT_TRUE(assigned.Empty());
}

TEST(Wave, PlaysFromMemoryOnlyWithADevice) {
  TQELWave wave;
  {
    os::TSoundRecorder sound(1);
    EXPECT_FALSE(wave.Play());  // empty
    EXPECT_TRUE(sound.Requests().empty());
    Load(wave, WaveImage());
    EXPECT_TRUE(wave.Play());
    ASSERT_EQ(sound.Requests().size(), 1u);
    EXPECT_EQ(sound.Requests()[0].flags, 7u);
    EXPECT_EQ(sound.Requests()[0].data, WaveImage());
    EXPECT_TRUE(sound.Playing());
    // Replacing the data stops the sound first.
    Load(wave, WaveImage(20));
    EXPECT_FALSE(sound.Playing());
    EXPECT_EQ(sound.Requests()[1].flags, 4u);
  }
  {
    os::TSoundRecorder refused(1, false);
    EXPECT_FALSE(wave.Play());
  }
  {
    os::TSoundRecorder no_device(0);
    EXPECT_FALSE(wave.Play());
    EXPECT_TRUE(no_device.Requests().empty());
  }
  // The system's own output: no device, nothing played.
  EXPECT_EQ(os::WaveOutGetNumDevs(), 0u);
  EXPECT_FALSE(wave.Play());
}

TEST(Wave, TheDeviceGetsTheFilesSamples) {
  TQELWave wave;
  Load(wave, WaveImage(1600));  // 0.2 s
  os::TSampleRecorder device;
  ASSERT_TRUE(wave.Play());
  EXPECT_TRUE(device.Recording().active) << "played asynchronously";
  ASSERT_TRUE(device.WaitUntilIdle());
  EXPECT_EQ(device.Recording().samples, WaveImage(1600).mid(44));
  EXPECT_EQ(device.Recording().format.sampleRate(), 8000);
  EXPECT_EQ(device.Recording().format.sampleFormat(), QAudioFormat::UInt8);
  // Replacing the data stops the sound first.
  ASSERT_TRUE(wave.Play());
  Load(wave, WaveImage(20));
  EXPECT_FALSE(device.Recording().active);
  EXPECT_EQ(device.Recording().stops, 1);
}
