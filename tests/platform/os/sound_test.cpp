// Wave sounds: reading wave images, the wave output over a recording device
// (the samples that reach it, asynchronous and synchronous play, stopping,
// no device), the request recorder, and the machine's output path through
// a private sound server whose sink is recorded by an independent client.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "platform/os/sound.h"
#include "platform/os/waveout.h"

namespace {

void Put16(QByteArray &b, int v) {
  b.append(static_cast<char>(v & 0xFF));
  b.append(static_cast<char>((v >> 8) & 0xFF));
}
void Put32(QByteArray &b, quint32 v) {
  Put16(b, static_cast<int>(v & 0xFFFF));
  Put16(b, static_cast<int>(v >> 16));
}

struct WaveSpec {
  int rate = 8000;
  int channels = 1;
  int bits = 16;
  int tag = 1;
  bool extensible = false;
  QByteArray before_data{};  // chunks between "fmt " and "data"
  qint64 claimed = -1;       // the data chunk's size field, when not the real one
};

QByteArray WaveImage(const WaveSpec &w, const QByteArray &samples) {
  QByteArray fmt;
  Put16(fmt, w.extensible ? 0xFFFE : w.tag);
  Put16(fmt, w.channels);
  Put32(fmt, static_cast<quint32>(w.rate));
  Put32(fmt, static_cast<quint32>(w.rate * w.channels * w.bits / 8));
  Put16(fmt, w.channels * w.bits / 8);
  Put16(fmt, w.bits);
  if (w.extensible) {
    Put16(fmt, 22);
    Put16(fmt, w.bits);
    Put32(fmt, 3);
    Put16(fmt, w.tag);  // the sub-format GUID begins with the format tag
    fmt.append("\x00\x00\x00\x00\x10\x00\x80\x00\x00\xAA\x00\x38\x9B\x71", 14);
  }
  QByteArray body = "WAVEfmt ";
  Put32(body, static_cast<quint32>(fmt.size()));
  body += fmt + w.before_data + "data";
  Put32(body, static_cast<quint32>(w.claimed >= 0 ? w.claimed : samples.size()));
  body += samples;
  QByteArray image = "RIFF";
  Put32(image, static_cast<quint32>(body.size()));
  return image + body;
}

// A tone with a little noise, 16-bit, never silent at its start.
QByteArray Tone(int frames, int channels) {
  QByteArray out;
  for (int i = 0; i < frames; ++i)
    for (int c = 0; c < channels; ++c)
      Put16(out, static_cast<int>(9000 * std::sin(i * 0.07 + c)) + (i * 7 + c) % 13 + 100);
  return out;
}

// sox, the independent maker and reader of compressed wave files: a tone
// (a sine a channel, so the channels differ) in `encoding`, and the 16-bit
// samples sox itself decodes from that file. Empty when sox is missing or
// fails.
struct SoxWave {
  QByteArray image;
  QByteArray pcm;
};

SoxWave MadeBySox(const QString &dir, const QString &encoding, int rate, int channels, const QString &seconds) {
  const QString sox = QStandardPaths::findExecutable(QStringLiteral("sox"));
  if (sox.isEmpty()) return {};
  const QString wave = dir + QStringLiteral("/%1-%2-%3.wav").arg(encoding).arg(rate).arg(channels);
  QProcess make;
  make.start(sox, {QStringLiteral("-n"), QStringLiteral("-r"), QString::number(rate), QStringLiteral("-c"),
                   QString::number(channels), QStringLiteral("-e"), encoding, wave, QStringLiteral("synth"), seconds,
                   QStringLiteral("sine"), QStringLiteral("440"), QStringLiteral("sine"), QStringLiteral("697"),
                   QStringLiteral("vol"), QStringLiteral("0.8")});
  if (!make.waitForFinished(30000) || make.exitCode() != 0) return {};
  QProcess read;
  read.start(sox, {wave, QStringLiteral("-t"), QStringLiteral("raw"), QStringLiteral("-e"), QStringLiteral("signed"),
                   QStringLiteral("-b"), QStringLiteral("16"), QStringLiteral("-L"), QStringLiteral("-")});
  if (!read.waitForFinished(30000) || read.exitCode() != 0) return {};
  QFile f(wave);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return {f.readAll(), read.readAllStandardOutput()};
}

const QStringList kCompressed = {QStringLiteral("u-law"), QStringLiteral("a-law"), QStringLiteral("ima-adpcm"),
                                 QStringLiteral("ms-adpcm")};

void Wait(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

TEST(WaveImage, ReadsEveryUncompressedForm) {
  os::TWavePcm pcm;
  const QByteArray mono8("\x80\x81\x7f\x00\xff", 5);
  ASSERT_TRUE(os::ReadWaveImage(WaveImage({.rate = 11025, .bits = 8}, mono8), pcm));
  EXPECT_EQ(pcm.format.sampleRate(), 11025);
  EXPECT_EQ(pcm.format.channelCount(), 1);
  EXPECT_EQ(pcm.format.sampleFormat(), QAudioFormat::UInt8);
  EXPECT_EQ(pcm.samples, mono8);

  // Stereo 16-bit after an odd-sized chunk, which is padded to even.
  const QByteArray stereo = Tone(10, 2);
  ASSERT_TRUE(os::ReadWaveImage(
      WaveImage({.rate = 44100, .channels = 2, .before_data = QByteArray("LIST\x03\0\0\0abc\0", 12)}, stereo), pcm));
  EXPECT_EQ(pcm.format.sampleFormat(), QAudioFormat::Int16);
  EXPECT_EQ(pcm.samples, stereo);

  // 24-bit samples widened to 32; 32-bit integers and floats as they are.
  ASSERT_TRUE(os::ReadWaveImage(WaveImage({.bits = 24}, QByteArray("\x01\x02\x03\xfd\xfe\xff", 6)), pcm));
  EXPECT_EQ(pcm.format.sampleFormat(), QAudioFormat::Int32);
  EXPECT_EQ(pcm.samples, QByteArray("\x00\x01\x02\x03\x00\xfd\xfe\xff", 8));
  ASSERT_TRUE(os::ReadWaveImage(WaveImage({.bits = 32}, QByteArray(8, '\x11')), pcm));
  EXPECT_EQ(pcm.format.sampleFormat(), QAudioFormat::Int32);
  ASSERT_TRUE(os::ReadWaveImage(WaveImage({.bits = 32, .tag = 3, .extensible = true}, QByteArray(8, '\x22')), pcm));
  EXPECT_EQ(pcm.format.sampleFormat(), QAudioFormat::Float);
  EXPECT_EQ(pcm.samples.size(), 8);

  // A data chunk that claims more than the file holds plays what is there,
  // in whole frames.
  ASSERT_TRUE(os::ReadWaveImage(WaveImage({.channels = 2, .claimed = 4000}, Tone(3, 2) + "x"), pcm));
  EXPECT_EQ(pcm.samples, Tone(3, 2));

  // Compressed formats, odd sample sizes, no channels, no data, no format.
  for (const QByteArray &refused :
       {WaveImage({.tag = 2}, Tone(4, 1)), WaveImage({.bits = 12}, Tone(4, 1)), WaveImage({.channels = 0}, Tone(4, 1)),
        WaveImage({.bits = 16, .tag = 3}, Tone(4, 1)), WaveImage({}, Tone(4, 1)).left(36),
        QByteArray("RIFF\x10\0\0\0WAVEdata\x04\0\0\0abcd", 24), QByteArray("RIFX"), QByteArray()})
    EXPECT_FALSE(os::ReadWaveImage(refused, pcm)) << refused.toHex().toStdString();
}

// µ-law, A-law, IMA and Microsoft ADPCM files made by sox decode to the
// samples sox decodes from them: mono and stereo, at two rates, lasting a
// whole number of blocks or not (the last block is decoded as far as it
// goes, as sox does).
TEST(WaveImage, DecodesCompressedFormatsAsSoxDoes) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  if (MadeBySox(dir.path(), kCompressed[0], 8000, 1, QStringLiteral("0.01")).image.isEmpty())
    GTEST_SKIP() << "sox is not installed (scripts/setup installs it)";
  for (const QString &encoding : kCompressed) {
    for (const int channels : {1, 2}) {
      for (const int rate : {8000, 44100}) {
        SCOPED_TRACE(QStringLiteral("%1 %2 channels at %3").arg(encoding).arg(channels).arg(rate).toStdString());
        const SoxWave sox = MadeBySox(dir.path(), encoding, rate, channels, QStringLiteral("0.2537"));
        ASSERT_FALSE(sox.pcm.isEmpty());
        os::TWavePcm pcm;
        ASSERT_TRUE(os::ReadWaveImage(sox.image, pcm));
        EXPECT_EQ(pcm.format.sampleFormat(), QAudioFormat::Int16);
        EXPECT_EQ(pcm.format.channelCount(), channels);
        EXPECT_EQ(pcm.format.sampleRate(), rate);
        ASSERT_EQ(pcm.samples.size(), sox.pcm.size());
        EXPECT_TRUE(pcm.samples == sox.pcm)
            << "first difference at byte "
            << std::mismatch(pcm.samples.begin(), pcm.samples.end(), sox.pcm.begin()).first - pcm.samples.begin();
      }
    }
  }
}

// Played through the wave output, a compressed file's decoded samples reach
// the device; a damaged one (no room for a block's header, a step table
// index of its own) is refused or decoded without reading past its end.
TEST(WaveOutput, CompressedWavesReachTheDeviceDecoded) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const SoxWave sox = MadeBySox(dir.path(), QStringLiteral("ima-adpcm"), 8000, 2, QStringLiteral("0.1"));
  if (sox.image.isEmpty()) GTEST_SKIP() << "sox is not installed (scripts/setup installs it)";
  os::TSampleRecorder device;
  ASSERT_TRUE(os::SndPlaySound(&sox.image, os::SND_SYNC | os::SND_MEMORY));
  EXPECT_EQ(device.Recording().format.sampleFormat(), QAudioFormat::Int16);
  EXPECT_TRUE(device.Recording().samples == sox.pcm);

  os::TWavePcm pcm;
  // µ-law with a block of two bytes for one channel; ADPCM blocks smaller
  // than their headers.
  EXPECT_FALSE(os::ReadWaveImage(WaveImage({.channels = 1, .bits = 8, .tag = 7}, "ab").replace(32, 1, "\x02"), pcm));
  EXPECT_FALSE(os::ReadWaveImage(WaveImage({.channels = 2, .bits = 4, .tag = 0x11}, QByteArray(64, '\x7f')), pcm));
  EXPECT_FALSE(os::ReadWaveImage(WaveImage({.channels = 1, .bits = 4, .tag = 2}, QByteArray(64, '\x7f')), pcm));
  // Every byte value in a block: a step index past the table, the largest
  // codes; cut in the middle of a block.
  QByteArray ima = sox.image;
  for (qsizetype i = 60; i < ima.size(); ++i) ima[i] = char(i * 37);
  for (const qsizetype cut : {ima.size(), ima.size() - 5, qsizetype(70)}) {
    ASSERT_TRUE(os::ReadWaveImage(ima.left(cut), pcm));
    EXPECT_EQ(pcm.samples.size() % 4, 0);
  }
}

TEST(WaveOutput, AsynchronousPlayGoesOnAndTheDeviceGetsEverySample) {
  os::TSampleRecorder device;
  const QByteArray samples = Tone(1600, 2);  // 0.2 s at 8 kHz
  const QByteArray image = WaveImage({.channels = 2}, samples);
  EXPECT_EQ(os::WaveOutGetNumDevs(), 1u);
  EXPECT_TRUE(os::SndPlaySound(&image, os::SND_ASYNC | os::SND_NODEFAULT | os::SND_MEMORY));
  EXPECT_TRUE(device.Recording().active);
  EXPECT_LT(device.Recording().samples.size(), samples.size());
  ASSERT_TRUE(device.WaitUntilIdle());
  EXPECT_EQ(device.Recording().samples, samples);
  EXPECT_EQ(device.Recording().format.sampleRate(), 8000);
  EXPECT_EQ(device.Recording().format.channelCount(), 2);
  EXPECT_EQ(device.Recording().format.sampleFormat(), QAudioFormat::Int16);
  EXPECT_EQ(device.Recording().stops, 0);
}

TEST(WaveOutput, SynchronousPlayReturnsWhenTheSoundHasBeenPlayed) {
  os::TSampleRecorder device;
  const QByteArray samples = Tone(1600, 1);  // 0.2 s
  const QByteArray image = WaveImage({}, samples);
  QElapsedTimer clock;
  clock.start();
  EXPECT_TRUE(os::SndPlaySound(&image, os::SND_SYNC | os::SND_MEMORY));
  EXPECT_GE(clock.elapsed(), 150);
  EXPECT_FALSE(device.Recording().active);
  EXPECT_EQ(device.Recording().samples, samples);
}

TEST(WaveOutput, StoppingAndReplacingCutTheSoundThatPlays) {
  os::TSampleRecorder device;
  const QByteArray first = WaveImage({}, Tone(8000, 1));  // 1 s
  const QByteArray second = WaveImage({.rate = 16000}, Tone(800, 1));
  ASSERT_TRUE(os::SndPlaySound(&first, os::SND_ASYNC | os::SND_MEMORY));
  Wait(60);
  EXPECT_TRUE(os::SndPlaySound(nullptr, os::SND_MEMORY));
  const qsizetype heard = device.Recording().samples.size();
  EXPECT_GT(heard, 0);
  EXPECT_LT(heard, Tone(8000, 1).size() / 2);
  Wait(60);
  EXPECT_EQ(device.Recording().samples.size(), heard);
  EXPECT_EQ(device.Recording().stops, 1);

  // A new sound stops the one playing and plays whole.
  ASSERT_TRUE(os::SndPlaySound(&first, os::SND_ASYNC | os::SND_MEMORY));
  Wait(20);
  ASSERT_TRUE(os::SndPlaySound(&second, os::SND_ASYNC | os::SND_MEMORY));
  ASSERT_TRUE(device.WaitUntilIdle());
  EXPECT_EQ(device.Recording().starts, 3);
  EXPECT_EQ(device.Recording().stops, 2);
  EXPECT_EQ(device.Recording().samples, Tone(800, 1));
  EXPECT_EQ(device.Recording().format.sampleRate(), 16000);
}

TEST(WaveOutput, NoDeviceOrNoWaveChangesNothing) {
  const QByteArray image = WaveImage({}, Tone(1600, 1));
  {
    os::TSampleRecorder none(0);
    EXPECT_EQ(os::WaveOutGetNumDevs(), 0u);
    EXPECT_FALSE(os::SndPlaySound(&image, os::SND_ASYNC | os::SND_MEMORY));
    EXPECT_EQ(none.Recording().starts, 0);
  }
  // An image that is not a playable wave leaves the sound that plays alone.
  os::TSampleRecorder device;
  ASSERT_TRUE(os::SndPlaySound(&image, os::SND_ASYNC | os::SND_MEMORY));
  const QByteArray adpcm = WaveImage({.bits = 4, .tag = 2}, Tone(10, 1));
  EXPECT_FALSE(os::SndPlaySound(&adpcm, os::SND_ASYNC | os::SND_MEMORY));
  EXPECT_FALSE(os::SndPlaySound(&adpcm, os::SND_SYNC | os::SND_MEMORY));
  ASSERT_TRUE(device.WaitUntilIdle());
  EXPECT_EQ(device.Recording().starts, 1);
  EXPECT_EQ(device.Recording().stops, 0);
  EXPECT_EQ(device.Recording().samples, Tone(1600, 1));
}

TEST(SoundOutput, RequestRecorderStandsInAndRestoresTheMachinesOutput) {
  const QByteArray image = WaveImage({}, Tone(4, 1));
  // The tests' machine output reaches no sound server: no device.
  EXPECT_EQ(os::WaveOutGetNumDevs(), 0u);
  EXPECT_FALSE(os::SndPlaySound(&image, os::SND_ASYNC | os::SND_MEMORY));
  EXPECT_TRUE(os::SndPlaySound(nullptr, os::SND_MEMORY));
  {
    os::TSoundRecorder outer(2);
    {
      os::TSoundRecorder inner(3);
      EXPECT_EQ(os::WaveOutGetNumDevs(), 3u);
      EXPECT_TRUE(os::SndPlaySound(&image, os::SND_ASYNC));
      EXPECT_TRUE(inner.Playing());
    }
    EXPECT_EQ(os::WaveOutGetNumDevs(), 2u);
    EXPECT_TRUE(outer.Requests().empty());
  }
  EXPECT_EQ(os::WaveOutGetNumDevs(), 0u);
}

// The machine's output path end to end: a private sound server with a null
// sink, the sink recorded by `parec`, and a copy of this test program (the
// child test below) playing waves through the default output, as the
// program does: a plain one, whose samples must come out of the sink bit
// for bit, and, where sox is installed, one in each compressed format made
// by sox, of which the sink must hear the samples sox decodes from it.
TEST(SoundDevice, APrivateServerHearsTheFilesSamples) {
  const QString server_program = QStandardPaths::findExecutable(QStringLiteral("pulseaudio"));
  const QString recorder_program = QStandardPaths::findExecutable(QStringLiteral("parec"));
  if (server_program.isEmpty() || recorder_program.isEmpty())
    GTEST_SKIP() << "pulseaudio and parec are not installed (scripts/setup installs them)";
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString socket = dir.filePath(QStringLiteral("pa.sock"));
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  for (const char *name : {"HOME", "XDG_RUNTIME_DIR", "XDG_CONFIG_HOME", "XDG_STATE_HOME"})
    env.insert(QLatin1String(name), dir.path());
  env.insert(QStringLiteral("PULSE_SERVER"), QStringLiteral("unix:") + socket);

  QProcess server;
  server.setProcessEnvironment(env);
  server.setProcessChannelMode(QProcess::MergedChannels);
  server.start(server_program,
               {QStringLiteral("-n"), QStringLiteral("--daemonize=no"), QStringLiteral("--exit-idle-time=-1"),
                QStringLiteral("--disable-shm=yes"), QStringLiteral("--use-pid-file=no"), QStringLiteral("-F"),
                QStringLiteral("/dev/null"),
                QStringLiteral("--load=module-native-protocol-unix auth-anonymous=1 socket=") + socket,
                QStringLiteral("--load=module-null-sink sink_name=orbisca format=s16le rate=44100 channels=2")});
  QElapsedTimer clock;
  clock.start();
  while (!QFile::exists(socket) && clock.elapsed() < 15000 && server.state() != QProcess::NotRunning) Wait(50);
  ASSERT_TRUE(QFile::exists(socket)) << server.readAll().toStdString();

  QProcess recorder;
  recorder.setProcessEnvironment(env);
  recorder.start(recorder_program,
                 {QStringLiteral("--device=orbisca.monitor"), QStringLiteral("--raw"), QStringLiteral("--format=s16le"),
                  QStringLiteral("--rate=44100"), QStringLiteral("--channels=2")});
  QByteArray heard;
  QObject::connect(&recorder, &QProcess::readyReadStandardOutput, [&] { heard += recorder.readAllStandardOutput(); });
  clock.restart();
  while (heard.isEmpty() && clock.elapsed() < 10000) Wait(20);  // the sink's silence flows
  ASSERT_FALSE(heard.isEmpty()) << recorder.readAllStandardError().toStdString();

  // The files in the sink's own format, so the server passes their samples
  // on unchanged.
  std::vector<QByteArray> expected = {Tone(44100 / 4, 2)};
  QStringList waves = {dir.filePath(QStringLiteral("suono.wav"))};
  {
    QFile f(waves[0]);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(WaveImage({.rate = 44100, .channels = 2}, expected[0]));
  }
  for (const QString &encoding : kCompressed) {
    const SoxWave sox = MadeBySox(dir.path(), encoding, 44100, 2, QStringLiteral("0.25"));
    if (sox.image.isEmpty()) continue;  // no sox: the plain wave alone
    waves << dir.filePath(encoding + QStringLiteral(".wav"));
    QFile f(waves.last());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(sox.image);
    expected.push_back(sox.pcm);
  }
  QProcess child;
  QProcessEnvironment child_env = env;
  child_env.insert(QStringLiteral("ORBISCA_TEST_PULSE_SERVER"), QStringLiteral("unix:") + socket);
  child_env.insert(QStringLiteral("ORBISCA_TEST_WAVE"), waves.join(u'\n'));
  child.setProcessEnvironment(child_env);
  child.setProcessChannelMode(QProcess::MergedChannels);
  child.start(QCoreApplication::applicationFilePath(),
              {QStringLiteral("--gtest_filter=SoundDeviceChild.PlaysTheFileThroughTheDefaultOutput")});
  clock.restart();
  while (child.state() != QProcess::NotRunning && clock.elapsed() < 30000) Wait(20);
  const QString log = QString::fromLocal8Bit(child.readAll());
  EXPECT_EQ(child.exitStatus(), QProcess::NormalExit) << log.toStdString();
  EXPECT_EQ(child.exitCode(), 0) << log.toStdString();
  EXPECT_TRUE(log.contains(QStringLiteral("[  PASSED  ] 1 test"))) << log.toStdString();
  // The sink's output reaches the recorder a moment later (later still on
  // a busy machine): the whole of the last sound, or a long while.
  std::vector<qsizetype> at(expected.size(), -1);
  clock.restart();
  while (clock.elapsed() < 20000) {
    qsizetype from = 0;
    for (size_t i = 0; i < expected.size(); ++i) {
      at[i] = heard.indexOf(expected[i].left(4000), from);
      if (at[i] < 0) break;
      from = at[i] + expected[i].size();
    }
    if (at.back() >= 0 && heard.size() >= at.back() + expected.back().size()) break;
    Wait(20);
  }
  recorder.terminate();
  recorder.waitForFinished(5000);
  server.terminate();
  server.waitForFinished(5000);

  for (size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(waves[qsizetype(i)].toStdString());
    ASSERT_GE(at[i], 0) << "the sound never reached the sink (" << heard.size() << " bytes heard)";
    EXPECT_TRUE(heard.mid(at[i], expected[i].size()) == expected[i]) << "the sink heard other samples";
  }
}

// Run by the test above in a copy of this program, whose test main has
// pointed the sound output at the private server.
TEST(SoundDeviceChild, PlaysTheFileThroughTheDefaultOutput) {
  const char *waves = std::getenv("ORBISCA_TEST_WAVE");
  if (waves == nullptr) GTEST_SKIP() << "started by SoundDevice.APrivateServerHearsTheFilesSamples";
  ASSERT_EQ(os::WaveOutGetNumDevs(), 1u);
  for (const QString &wave : QString::fromLocal8Bit(waves).split(u'\n')) {
    QFile f(wave);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray image = f.readAll();
    QElapsedTimer clock;
    clock.start();
    EXPECT_TRUE(os::SndPlaySound(&image, os::SND_SYNC | os::SND_NODEFAULT | os::SND_MEMORY)) << wave.toStdString();
    // Played until played: not back before the sound's length.
    EXPECT_GE(clock.elapsed(), 250);
  }
}

}  // namespace
