// One wave sound held as the complete image of a RIFF wave file in memory:
// what wave items of a wave-list container own (qelcont.h) and what the
// message box plays when it is shown. Loading checks the image's header;
// playing goes through the system's memory-image player (platform/os/
// sound.h) and answers False when there is no output device.
//
// In form data the wave is the binary property "Data" (an int32 count and
// the bytes), written only when there is data; in a wave list it is either
// that plain form or the chunked compressed stream of qelstrm.h.
#pragma once

#include <QByteArray>
#include <QString>
#include <memory>

#include "controls/styled/qelclass.h"
#include "platform/rtl/streams.h"

namespace qel {

using rtl::Exception;
ORBISCA_EXCEPTION(EInvalidWave, Exception)
ORBISCA_EXCEPTION(EErrorCheckingWave, Exception)

// What the header check learns of a wave image.
struct TQELWaveInfo {
  std::uint32_t RiffSize = 0;
  bool Pcm = false;  // format tag 1
  int Channels = 0;  // 1 mono, 2 stereo, otherwise 0
  std::uint32_t SamplesPerSec = 0;
  int BlockAlign = 0;
};

// Checks the header of a wave image from position 0 and puts the position
// back at 0: "RIFF", the size, "WAVE", then "fmt " with its size and format
// fields. False for a missing or empty stream or wrong markers; a stream
// that ends inside those fields raises EErrorCheckingWave. `source` names
// the image in the message.
bool CheckWaveImage(rtl::TStream *stream, TQELWaveInfo *info = nullptr, const QString &source = QString());

class TQELWave : public TQELObject {
  ORBISCA_CLASS(TQELWave, TQELObject)

 public:
  TQELWave();
  ~TQELWave() override;
  // Loads the file (EFOpenError when it cannot be opened, EInvalidWave when
  // it is not a wave).
  static std::unique_ptr<TQELWave> CreateFromFile(const QString &file_name);

  bool Empty() const { return !data_ || data_->Size() == 0; }
  qint64 Size() const { return data_ ? data_->Size() : 0; }
  // The file image (empty when there is none).
  QByteArray Bytes() const { return data_ ? data_->Bytes() : QByteArray(); }

  // Takes the stream (nullptr: none); a sound that may be playing from the
  // old data is stopped first.
  void SetData(std::unique_ptr<rtl::TMemoryStream> data);
  void Clear() { SetData(nullptr); }
  // Reads `count` bytes of `stream` and takes them when they are a wave
  // image; otherwise raises EInvalidWave and keeps the present data. A
  // count of 0 clears the wave.
  void LoadData(rtl::TStream *stream, qint64 count);
  void LoadFromFile(const QString &file_name);
  // From the position to the end.
  void LoadFromStream(rtl::TStream *stream);
  void SaveToFile(const QString &file_name) const;
  void SaveToStream(rtl::TStream *stream) const;

  // The form property "Data": only when there is data.
  bool HasData() const { return data_ != nullptr; }
  void ReadData(rtl::TStream *stream);
  void WriteData(rtl::TStream *stream) const;
  // The form a wave-list item stores: plain (as "Data") or compressed.
  void ReadStored(rtl::TStream *stream, bool compressed);
  void WriteStored(rtl::TStream *stream, bool compressed) const;

  // Plays asynchronously from memory; False when empty, when there is no
  // output device or when the player refuses.
  bool Play();
  // Stops the sound that is playing.
  void Stop();

  void Assign(const rtl::TPersistent *source) override;

 private:
  void LoadImage(const QByteArray &image, const QString &source);
  std::unique_ptr<rtl::TMemoryStream> data_;
};

}  // namespace qel
