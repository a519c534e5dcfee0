// The sound output slot and its default, the machine's device (see sound.h).
#include "platform/os/sound.h"

#include "platform/os/waveout.h"

namespace os {

namespace {

std::unique_ptr<TSoundOutput> DeviceOutput() {
  return std::make_unique<TWaveOutput>(std::make_unique<TDeviceAudioPort>());
}

class TRecordingOutput : public TSoundOutput {
 public:
  TRecordingOutput(std::shared_ptr<std::vector<TSoundRecorder::Request>> requests, unsigned devices, bool result)
      : requests_(std::move(requests)), devices_(devices), result_(result) {}
  unsigned DeviceCount() const override { return devices_; }
  bool PlaySound(const QByteArray *data, unsigned flags) override {
    TSoundRecorder::Request r;
    r.stop = data == nullptr;
    if (data) r.data = *data;
    r.flags = flags;
    requests_->push_back(std::move(r));
    return data == nullptr || result_;
  }

 private:
  std::shared_ptr<std::vector<TSoundRecorder::Request>> requests_;
  unsigned devices_;
  bool result_;
};

std::unique_ptr<TSoundOutput> &Slot() {
  static std::unique_ptr<TSoundOutput> output = DeviceOutput();
  return output;
}

}  // namespace

unsigned WaveOutGetNumDevs() { return Slot()->DeviceCount(); }

bool SndPlaySound(const QByteArray *data, unsigned flags) { return Slot()->PlaySound(data, flags); }

std::unique_ptr<TSoundOutput> SetSoundOutput(std::unique_ptr<TSoundOutput> output) {
  if (!output) output = DeviceOutput();
  std::swap(output, Slot());
  return output;
}

TSoundRecorder::TSoundRecorder(unsigned devices, bool result) : requests_(std::make_shared<std::vector<Request>>()) {
  previous_ = SetSoundOutput(std::make_unique<TRecordingOutput>(requests_, devices, result));
}

TSoundRecorder::~TSoundRecorder() { SetSoundOutput(std::move(previous_)); }

bool TSoundRecorder::Playing() const { return !requests_->empty() && !requests_->back().stop; }

}  // namespace os
