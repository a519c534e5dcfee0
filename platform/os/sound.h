// Wave sound output: the count of wave output devices and the memory-image
// player the styled library's sounds go through (play a complete RIFF wave
// file held in memory, asynchronously or not; stop the sound that is
// playing).
//
// The installed `TSoundOutput` does the work. By default it is the wave
// output of waveout.h, which plays through Qt Multimedia on the machine's
// default output device; a machine without one reports no device, and
// callers that check the count first (as the wave object does) answer false
// and change nothing. Tests install a recording one: `TSoundRecorder` below
// sees the requests, `TSampleRecorder` (waveout.h) the samples that reach
// the device.
#pragma once

#include <QByteArray>
#include <memory>
#include <vector>

namespace os {

// Flags of the memory-image player.
inline constexpr unsigned SND_SYNC = 0x0000;
inline constexpr unsigned SND_ASYNC = 0x0001;
inline constexpr unsigned SND_NODEFAULT = 0x0002;
inline constexpr unsigned SND_MEMORY = 0x0004;

class TSoundOutput {
 public:
  virtual ~TSoundOutput() = default;
  virtual unsigned DeviceCount() const = 0;
  // Plays the wave file image `data` (copied by the output when it needs to
  // keep it); nullptr stops the sound that is playing. True on success.
  virtual bool PlaySound(const QByteArray *data, unsigned flags) = 0;
};

// The number of wave output devices.
unsigned WaveOutGetNumDevs();
// Plays or stops (data nullptr) through the installed output.
bool SndPlaySound(const QByteArray *data, unsigned flags);

// Installs `output` (nullptr: the default, the machine's device) and returns
// the one it replaces.
std::unique_ptr<TSoundOutput> SetSoundOutput(std::unique_ptr<TSoundOutput> output);

// Installs itself while it lives and records every request. `devices` is
// the device count it reports, `result` what playing answers.
class TSoundRecorder {
 public:
  struct Request {
    bool stop = false;  // a stop request (no data)
    QByteArray data;    // the image that would have played
    unsigned flags = 0;
  };

  explicit TSoundRecorder(unsigned devices = 1, bool result = true);
  ~TSoundRecorder();
  TSoundRecorder(const TSoundRecorder &) = delete;
  TSoundRecorder &operator=(const TSoundRecorder &) = delete;

  const std::vector<Request> &Requests() const { return *requests_; }
  // What is playing now: the last image played and not stopped since.
  bool Playing() const;

 private:
  std::shared_ptr<std::vector<Request>> requests_;
  std::unique_ptr<TSoundOutput> previous_;
};

}  // namespace os
