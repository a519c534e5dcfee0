// The wave output of waveout.h.
#include "platform/os/waveout.h"

#include <QAudioDevice>
#include <QAudioSink>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMediaDevices>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <utility>

#include "platform/os/wavecodec.h"

namespace os {

namespace {

constexpr quint16 kFormatPcm = 1;
constexpr quint16 kFormatFloat = 3;
constexpr quint16 kFormatExtensible = 0xFFFE;
constexpr int kMaxChannels = 8;
constexpr int kMaxRate = 768000;
// The most of a format chunk's extra information read (the Microsoft
// ADPCM coefficient table is at most 256 pairs).
constexpr quint32 kMaxFormatChunk = 16 + 6 + 4 * 256;

quint32 U32(const QByteArray &b, qsizetype at) {
  return quint32(quint8(b[at])) | (quint32(quint8(b[at + 1])) << 8) | (quint32(quint8(b[at + 2])) << 16) |
         (quint32(quint8(b[at + 3])) << 24);
}
quint16 U16(const QByteArray &b, qsizetype at) {
  return static_cast<quint16>(quint16(quint8(b[at])) | (quint16(quint8(b[at + 1])) << 8));
}

// 24-bit samples as 32-bit ones: the three bytes become the high ones.
QByteArray Widen24(const QByteArray &in) {
  QByteArray out(in.size() / 3 * 4, '\0');
  for (qsizetype i = 0, o = 0; i + 2 < in.size(); i += 3, o += 4) {
    out[o + 1] = in[i];
    out[o + 2] = in[i + 1];
    out[o + 3] = in[i + 2];
  }
  return out;
}

// What the device's sink pulls: the sound's samples through a relay that
// says it is at its end only from the event loop's next pass after it ran
// dry. So Qt 6.4's PulseAudio sink, seeing the source not yet at its end
// when it runs dry, marks the sink idle with an underrun; when the server
// has taken everything it finds the source at its end and asks the server
// to drain the stream, and the answer puts the sink's error back to none.
// The sink's own count of what it processed runs ahead of what was heard,
// so it cannot tell the end. The answer comes once the stream is empty,
// but the device may still hold up to the stream's buffer, which closing
// the sink would throw away: the sound has been heard a buffer's length
// after the answer. The drain request carries a callback into the sink
// that closing does not withdraw, so a sink is freed only a while after it
// closed (freed at once, a late answer crashed the program).
class TSinkFeed : public QIODevice {
 public:
  TSinkFeed(QIODevice *source, QObject *parent) : QIODevice(parent), source_(source) {
    open(QIODevice::ReadOnly | QIODevice::Unbuffered);
  }
  bool isSequential() const override { return true; }
  qint64 bytesAvailable() const override { return source_->bytesAvailable(); }
  bool atEnd() const override { return ended_; }
  bool Ended() const { return ended_; }

 protected:
  qint64 readData(char *data, qint64 max) override {
    const qint64 n = source_->read(data, max);
    if (n > 0) return n;
    if (!ending_) {
      ending_ = true;
      QTimer::singleShot(0, this, [this] { ended_ = true; });
    }
    return 0;
  }
  qint64 writeData(const char *, qint64) override { return -1; }

 private:
  QIODevice *source_;
  bool ending_ = false;
  std::atomic<bool> ended_{false};  // read by the sound server's thread
};

// The sink's buffer holds a short sound whole before it starts playing (up
// to this length), so a busy machine cannot leave a gap in it.
constexpr qint64 kWholeSoundUs = 2000000;
constexpr qint64 kLeastBufferUs = 200000;
// A device that never says it has played the sound ends it this long after
// its length (a sound server with a long latency on a busy machine answers
// a second or two after it).
constexpr qint64 kSilentDeviceUs = 5000000;
// How long a closed sink is kept before it is freed.
constexpr int kClosedSinkMs = 5000;

}  // namespace

bool ReadWaveImage(const QByteArray &image, TWavePcm &pcm) {
  if (image.size() < 12 || !image.startsWith("RIFF") || image.mid(8, 4) != "WAVE") return false;
  int tag = -1, channels = 0, bits = 0, align = 0;
  quint32 rate = 0;
  QByteArray extra;
  for (qsizetype pos = 12; pos + 8 <= image.size();) {
    const QByteArray id = image.mid(pos, 4);
    const quint32 length = U32(image, pos + 4);
    const qsizetype body = pos + 8;
    if (id == "fmt ") {
      if (length < 16 || body + 16 > image.size()) return false;
      tag = U16(image, body);
      channels = U16(image, body + 2);
      rate = U32(image, body + 4);
      align = U16(image, body + 12);
      bits = U16(image, body + 14);
      extra = image.mid(body + 16, qsizetype(std::min<quint32>(length, kMaxFormatChunk)) - 16);
      // The extensible format names the real one in its sub-format.
      if (tag == kFormatExtensible) tag = length >= 40 && body + 26 <= image.size() ? U16(image, body + 24) : -1;
    } else if (id == "data" && tag >= 0 && IsCompressedWave(quint16(tag))) {
      // Compressed samples go to the device decoded, as 16-bit ones.
      if (channels < 1 || channels > kMaxChannels || rate == 0 || rate > kMaxRate) return false;
      const QByteArray data = image.mid(body, std::min<qsizetype>(length, image.size() - body));
      QByteArray samples;
      if (!DecodeWaveSamples({quint16(tag), channels, align, bits, extra}, data, samples)) return false;
      QAudioFormat format;
      format.setSampleRate(static_cast<int>(rate));
      format.setChannelCount(channels);
      format.setSampleFormat(QAudioFormat::Int16);
      pcm.format = format;
      pcm.samples = samples;
      return true;
    } else if (id == "data") {
      const bool pcm_bits = tag == kFormatPcm && (bits == 8 || bits == 16 || bits == 24 || bits == 32);
      const bool float_bits = tag == kFormatFloat && bits == 32;
      if (!(pcm_bits || float_bits) || channels < 1 || channels > kMaxChannels || rate == 0 || rate > kMaxRate)
        return false;
      const int frame = channels * bits / 8;
      if (align != frame) return false;
      qsizetype size = std::min<qsizetype>(length, image.size() - body);
      size -= size % frame;
      QAudioFormat format;
      format.setSampleRate(static_cast<int>(rate));
      format.setChannelCount(channels);
      format.setSampleFormat(float_bits   ? QAudioFormat::Float
                             : bits == 8  ? QAudioFormat::UInt8
                             : bits == 16 ? QAudioFormat::Int16
                                          : QAudioFormat::Int32);
      pcm.format = format;
      pcm.samples = bits == 24 ? Widen24(image.mid(body, size)) : image.mid(body, size);
      return true;
    }
    // Chunks are padded to an even length.
    pos = body + static_cast<qsizetype>(length) + (length & 1);
  }
  return false;
}

// --- the machine's device ---------------------------------------------------------------------

TDeviceAudioPort::TDeviceAudioPort() = default;

TDeviceAudioPort::~TDeviceAudioPort() { Stop(); }

unsigned TDeviceAudioPort::DeviceCount() const {
  if (QCoreApplication::instance() == nullptr) return 0;
  return static_cast<unsigned>(QMediaDevices::audioOutputs().size());
}

bool TDeviceAudioPort::Start(const QAudioFormat &format, QIODevice *source, std::function<void()> finished) {
  Stop();
  if (QCoreApplication::instance() == nullptr) return false;
  const QAudioDevice device = QMediaDevices::defaultAudioOutput();
  if (device.isNull() || !device.isFormatSupported(format)) return false;
  auto *sink = new QAudioSink(device, format, QCoreApplication::instance());
  sink->setBufferSize(std::clamp<qint64>(2 * source->size(), format.bytesForDuration(kLeastBufferUs),
                                         format.bytesForDuration(kWholeSoundUs)));
  auto *feed = new TSinkFeed(source, sink);
  auto *poll = new QTimer(sink);
  sink_ = sink;
  poll_ = poll;
  const qint64 length_us = format.durationForBytes(source->size());
  QElapsedTimer clock, drained;
  clock.start();
  QObject::connect(poll, &QTimer::timeout, sink, [=, this]() mutable {
    if (!drained.isValid() && feed->Ended() && sink->state() == QAudio::IdleState && sink->error() == QAudio::NoError)
      drained.start();
    const qint64 held_us = format.durationForBytes(sink->bufferSize());
    const bool heard = drained.isValid() && drained.elapsed() * 1000 >= held_us;
    if (heard || sink->state() == QAudio::StoppedState ||
        clock.elapsed() * 1000 > length_us + held_us + kSilentDeviceUs) {
      Stop();
      finished();
    }
  });
  sink->start(feed);
  if (sink->error() != QAudio::NoError || sink->state() == QAudio::StoppedState) {
    Stop();
    return false;
  }
  poll->start(10);
  return true;
}

void TDeviceAudioPort::Stop() {
  if (poll_) poll_->stop();
  if (sink_) {
    sink_->reset();
    sink_->stop();
    QTimer::singleShot(kClosedSinkMs, sink_.data(), &QObject::deleteLater);
  }
  sink_ = nullptr;
  poll_ = nullptr;
}

// --- the recording device -----------------------------------------------------------------

TRecordingAudioPort::TRecordingAudioPort(std::shared_ptr<TAudioRecording> recording, unsigned devices)
    : recording_(std::move(recording)), devices_(devices) {}

TRecordingAudioPort::~TRecordingAudioPort() {
  Stop();
  delete timer_;
}

bool TRecordingAudioPort::Start(const QAudioFormat &format, QIODevice *source, std::function<void()> finished) {
  Stop();
  if (devices_ == 0 || !format.isValid()) return false;
  recording_->format = format;
  recording_->samples.clear();
  ++recording_->starts;
  recording_->active = true;
  source_ = source;
  finished_ = std::move(finished);
  if (!timer_) {
    timer_ = new QTimer;
    QObject::connect(timer_, &QTimer::timeout, [this] { Pull(); });
  }
  clock_.start();
  timer_->start(5);
  return true;
}

void TRecordingAudioPort::Pull() {
  if (!recording_->active || source_ == nullptr) return;
  const qint64 due = recording_->format.bytesForDuration(clock_.nsecsElapsed() / 1000);
  if (due > recording_->samples.size()) recording_->samples.append(source_->read(due - recording_->samples.size()));
  if (!source_->atEnd()) return;
  recording_->active = false;
  source_ = nullptr;
  timer_->stop();
  const auto finished = std::exchange(finished_, nullptr);
  if (finished) finished();
}

void TRecordingAudioPort::Stop() {
  if (recording_->active) ++recording_->stops;
  recording_->active = false;
  source_ = nullptr;
  finished_ = nullptr;
  if (timer_) timer_->stop();
}

// --- the output -------------------------------------------------------------------------------

TWaveOutput::TWaveOutput(std::unique_ptr<TAudioPort> port) : port_(std::move(port)) {}

TWaveOutput::~TWaveOutput() { Stop(); }

void TWaveOutput::Stop() {
  if (playing_) {
    port_->Stop();
    playing_.reset();
    ++*generation_;
  }
  if (wake_) wake_();
}

bool TWaveOutput::PlaySound(const QByteArray *data, unsigned flags) {
  if (data == nullptr) {
    Stop();
    return true;
  }
  TWavePcm pcm;
  if (port_->DeviceCount() == 0 || !ReadWaveImage(*data, pcm)) return false;
  Stop();
  auto sound = std::make_unique<Sound>();
  sound->samples = pcm.samples;
  sound->source.setBuffer(&sound->samples);
  sound->source.open(QIODevice::ReadOnly);
  QIODevice *source = &sound->source;
  playing_ = std::move(sound);
  const unsigned id = ++*generation_;
  std::weak_ptr<unsigned> generation = generation_;
  auto finished = [this, generation, id] {
    const auto current = generation.lock();
    if (!current || *current != id) return;
    playing_.reset();
    if (wake_) wake_();
  };
  if (!port_->Start(pcm.format, source, finished)) {
    playing_.reset();
    return false;
  }
  if ((flags & SND_ASYNC) != 0 || QCoreApplication::instance() == nullptr) return true;
  // Synchronous: back when it has been played (or stopped meanwhile). Not a
  // nested event loop: one would return at once once the application has
  // been told to quit.
  bool done = false;
  auto outer = std::exchange(wake_, [&done] { done = true; });
  while (!done && playing_)
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents | QEventLoop::ExcludeUserInputEvents);
  wake_ = std::move(outer);
  return true;
}

// --- the recorder tests install ----------------------------------------------------------------

TSampleRecorder::TSampleRecorder(unsigned devices) : recording_(std::make_shared<TAudioRecording>()) {
  previous_ = SetSoundOutput(std::make_unique<TWaveOutput>(std::make_unique<TRecordingAudioPort>(recording_, devices)));
}

TSampleRecorder::~TSampleRecorder() { SetSoundOutput(std::move(previous_)); }

bool TSampleRecorder::WaitUntilIdle(int timeout_ms) const {
  QElapsedTimer clock;
  clock.start();
  while (recording_->active) {
    if (clock.elapsed() > timeout_ms) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    QThread::msleep(1);
  }
  return true;
}

}  // namespace os
