// Wave file images played through Qt Multimedia: the sound output the
// memory-image player of sound.h uses by default. The image's format and
// sample data are read from its RIFF chunks; the samples go to the default
// output device through a `TAudioPort`, which is the machine's device
// (QAudioSink) in the program and a recording device in tests, so the
// samples that reached the device can be compared with the file's.
//
// Played asynchronously (SND_ASYNC) the call returns at once and the sound
// goes on; otherwise it returns when the sound has been played, keys and
// clicks waiting meanwhile. A new sound stops the one playing; stopping
// drops what is not yet played.
#pragma once

#include <QAudioFormat>
#include <QBuffer>
#include <QByteArray>
#include <QElapsedTimer>
#include <QPointer>
#include <functional>
#include <memory>

#include "platform/os/sound.h"

class QAudioSink;
class QTimer;

namespace os {

// The samples of a wave image and their format.
struct TWavePcm {
  QAudioFormat format;
  QByteArray samples;
};

// Reads a RIFF wave image: uncompressed samples of 8 (unsigned), 16, 24 or
// 32 bits, or 32-bit floating point, plain or in the extensible format, any
// chunks before and after. 24-bit samples come out widened to 32 bits (Qt's
// outputs take no 24-bit samples); µ-law, A-law, IMA ADPCM and Microsoft
// ADPCM samples decoded to 16 bits (wavecodec.h). The data ends at the last
// whole frame, also when the chunk claims more than the image holds. False
// for anything else (other compressed formats, no "fmt " or "data" chunk,
// no channels).
bool ReadWaveImage(const QByteArray &image, TWavePcm &pcm);

// A sound device as the player sees it.
class TAudioPort {
 public:
  virtual ~TAudioPort() = default;
  virtual unsigned DeviceCount() const = 0;
  // Starts pulling `source` (kept valid by the caller until `finished` or
  // Stop) in `format` on the default device; `finished` is called from the
  // event loop once all of it has been played. False when the device
  // refuses the format.
  virtual bool Start(const QAudioFormat &format, QIODevice *source, std::function<void()> finished) = 0;
  // Stops at once; `finished` is not called.
  virtual void Stop() = 0;
};

// The machine's outputs (QMediaDevices) and a QAudioSink on the default one.
// The sink is a child of the application object, so it never outlives it.
class TDeviceAudioPort : public TAudioPort {
 public:
  TDeviceAudioPort();
  ~TDeviceAudioPort() override;
  unsigned DeviceCount() const override;
  bool Start(const QAudioFormat &format, QIODevice *source, std::function<void()> finished) override;
  void Stop() override;

 private:
  QPointer<QAudioSink> sink_;
  QPointer<QTimer> poll_;
};

// What a recording device received.
struct TAudioRecording {
  QAudioFormat format;  // of the last sound started
  QByteArray samples;   // every byte pulled since the last start
  int starts = 0;
  int stops = 0;  // sounds stopped before their end
  bool active = false;
};

// A device that pulls its source at the format's rate, as a real one
// would, and records every byte. `devices` is the count it reports.
class TRecordingAudioPort : public TAudioPort {
 public:
  explicit TRecordingAudioPort(std::shared_ptr<TAudioRecording> recording, unsigned devices = 1);
  ~TRecordingAudioPort() override;
  unsigned DeviceCount() const override { return devices_; }
  bool Start(const QAudioFormat &format, QIODevice *source, std::function<void()> finished) override;
  void Stop() override;

 private:
  void Pull();
  std::shared_ptr<TAudioRecording> recording_;
  unsigned devices_;
  QIODevice *source_ = nullptr;
  std::function<void()> finished_;
  QPointer<QTimer> timer_;
  QElapsedTimer clock_;
};

// The sound output that plays wave images through a port.
class TWaveOutput : public TSoundOutput {
 public:
  explicit TWaveOutput(std::unique_ptr<TAudioPort> port);
  ~TWaveOutput() override;
  unsigned DeviceCount() const override { return port_->DeviceCount(); }
  bool PlaySound(const QByteArray *data, unsigned flags) override;
  // A sound started and not yet played to its end nor stopped.
  bool Playing() const { return playing_ != nullptr; }

 private:
  struct Sound {
    QByteArray samples;
    QBuffer source;
  };
  void Stop();
  std::unique_ptr<TAudioPort> port_;
  std::unique_ptr<Sound> playing_;
  // Counts the sounds started, so a late end of an old one is ignored.
  std::shared_ptr<unsigned> generation_ = std::make_shared<unsigned>(0);
  std::function<void()> wake_;  // ends the wait of a synchronous play
};

// Installs, while it lives, the wave output over a recording device.
class TSampleRecorder {
 public:
  explicit TSampleRecorder(unsigned devices = 1);
  ~TSampleRecorder();
  TSampleRecorder(const TSampleRecorder &) = delete;
  TSampleRecorder &operator=(const TSampleRecorder &) = delete;

  const TAudioRecording &Recording() const { return *recording_; }
  // Runs the event loop until the device is idle; false after `timeout_ms`.
  bool WaitUntilIdle(int timeout_ms = 5000) const;

 private:
  std::shared_ptr<TAudioRecording> recording_;
  std::unique_ptr<TSoundOutput> previous_;
};

}  // namespace os
