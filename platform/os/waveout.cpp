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
#include <utility>

namespace os {

namespace {

constexpr quint16 kFormatPcm = 1;
constexpr quint16 kFormatFloat = 3;
constexpr quint16 kFormatExtensible = 0xFFFE;
constexpr int kMaxChannels = 8;
constexpr int kMaxRate = 768000;

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

}  // namespace

bool ReadWaveImage(const QByteArray &image, TWavePcm &pcm) {
  if (image.size() < 12 || !image.startsWith("RIFF") || image.mid(8, 4) != "WAVE") return false;
  int tag = -1, channels = 0, bits = 0, align = 0;
  quint32 rate = 0;
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
      // The extensible format names the real one in its sub-format.
      if (tag == kFormatExtensible) tag = length >= 40 && body + 26 <= image.size() ? U16(image, body + 24) : -1;
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
  auto *poll = new QTimer(sink);
  sink_ = sink;
  poll_ = poll;
  // The sink turns idle once the source is drained into the device; the
  // sound has been heard when the time it has processed reaches its length.
  // A device that stops counting ends it a little after its length.
  const qint64 length_us = format.durationForBytes(source->size());
  QElapsedTimer clock;
  clock.start();
  QObject::connect(poll, &QTimer::timeout, sink, [this, sink, length_us, clock, finished] {
    const bool drained = sink->state() == QAudio::IdleState || sink->state() == QAudio::StoppedState;
    if ((drained && sink->processedUSecs() >= length_us) || clock.elapsed() * 1000 > length_us + 3000000) {
      Stop();
      finished();
    }
  });
  sink->start(source);
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
    sink_->deleteLater();
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
