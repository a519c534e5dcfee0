// The wave object of qelwave.h.
#include "controls/styled/qelwave.h"

#include "controls/styled/qelstrm.h"
#include "platform/os/sound.h"

namespace qel {

namespace {

QString CannotOpen(const QString &source) {
  return QStringLiteral("Cannot open file %1").arg(source.isEmpty() ? QStringLiteral("(wave data)") : source);
}

// Reads exactly `count` bytes or reports the image as unreadable.
QByteArray Take(rtl::TStream *stream, int count, const QString &source) {
  QByteArray b(count, '\0');
  if (stream->Read(b.data(), count) != count)
    throw EErrorCheckingWave(QStringLiteral("GetWaveData: ") + CannotOpen(source));
  return b;
}

std::uint32_t U32(const QByteArray &b, int at) {
  return std::uint32_t(quint8(b[at])) | (std::uint32_t(quint8(b[at + 1])) << 8) |
         (std::uint32_t(quint8(b[at + 2])) << 16) | (std::uint32_t(quint8(b[at + 3])) << 24);
}
int U16(const QByteArray &b, int at) { return int(quint8(b[at])) | (int(quint8(b[at + 1])) << 8); }

}  // namespace

bool CheckWaveImage(rtl::TStream *stream, TQELWaveInfo *info, const QString &source) {
  if (!stream || stream->Size() == 0) return false;
  struct Rewind {
    rtl::TStream *s;
    ~Rewind() { s->SetPosition(0); }
  } rewind{stream};
  stream->SetPosition(0);
  if (Take(stream, 4, source) != "RIFF") return false;
  const QByteArray size = Take(stream, 4, source);
  if (Take(stream, 4, source) != "WAVE") return false;
  if (Take(stream, 4, source) != "fmt ") return false;
  // The chunk size, then tag, channels, rate, average rate, block alignment.
  const QByteArray format = Take(stream, 4 + 12 + 2, source);
  if (info) {
    info->RiffSize = U32(size, 0);
    info->Pcm = U16(format, 4) == 1;
    const int channels = U16(format, 6);
    info->Channels = channels == 1 || channels == 2 ? channels : 0;
    info->SamplesPerSec = U32(format, 8);
    info->BlockAlign = U16(format, 16);
  }
  return true;
}

TQELWave::TQELWave() = default;

TQELWave::~TQELWave() {
  // The player may still read the image.
  if (data_) Stop();
}

std::unique_ptr<TQELWave> TQELWave::CreateFromFile(const QString &file_name) {
  auto wave = std::make_unique<TQELWave>();
  wave->LoadFromFile(file_name);
  return wave;
}

void TQELWave::SetData(std::unique_ptr<rtl::TMemoryStream> data) {
  if (data_) Stop();
  data_ = std::move(data);
  if (data_) data_->SetPosition(0);
  Change();
}

void TQELWave::LoadImage(const QByteArray &image, const QString &source) {
  if (image.isEmpty()) {
    Clear();
    return;
  }
  auto stream = std::make_unique<rtl::TMemoryStream>();
  stream->SetBytes(image);
  if (!CheckWaveImage(stream.get(), nullptr, source))
    throw EInvalidWave(ClassName() + QStringLiteral(": ") + CannotOpen(source));
  SetData(std::move(stream));
}

void TQELWave::LoadData(rtl::TStream *stream, qint64 count) {
  if (count <= 0) {
    Clear();
    return;
  }
  LoadImage(stream->ReadBytes(count), QString());
}

void TQELWave::LoadFromFile(const QString &file_name) {
  rtl::TFileStream file(file_name, rtl::fmOpenRead | rtl::fmShareDenyRead);
  LoadImage(file.ReadBytes(file.Size()), file_name);
}

void TQELWave::LoadFromStream(rtl::TStream *stream) { LoadData(stream, stream->Remaining()); }

void TQELWave::SaveToFile(const QString &file_name) const {
  rtl::TFileStream file(file_name, rtl::fmCreate);
  SaveToStream(&file);
}

void TQELWave::SaveToStream(rtl::TStream *stream) const {
  if (data_) stream->WriteBytes(data_->Bytes());
}

void TQELWave::ReadData(rtl::TStream *stream) {
  const std::int32_t count = stream->ReadInt32();
  if (count < 0) throw EErrorCheckingWave(QStringLiteral("GetWaveData: ") + CannotOpen(QString()));
  LoadData(stream, count);
}

void TQELWave::WriteData(rtl::TStream *stream) const {
  stream->WriteInt32(std::int32_t(Size()));
  SaveToStream(stream);
}

void TQELWave::ReadStored(rtl::TStream *stream, bool compressed) {
  if (compressed)
    LoadImage(ReadBlock(stream, true), QString());
  else
    ReadData(stream);
}

void TQELWave::WriteStored(rtl::TStream *stream, bool compressed) const {
  if (compressed)
    WriteBlock(stream, Bytes(), true);
  else
    WriteData(stream);
}

bool TQELWave::Play() {
  if (Empty() || os::WaveOutGetNumDevs() == 0) return false;
  return os::SndPlaySound(&data_->Bytes(), os::SND_ASYNC | os::SND_NODEFAULT | os::SND_MEMORY);
}

void TQELWave::Stop() { os::SndPlaySound(nullptr, os::SND_MEMORY); }

void TQELWave::Assign(const rtl::TPersistent *source) {
  if (!source) {
    Clear();
    return;
  }
  if (auto *wave = dynamic_cast<const TQELWave *>(source)) {
    if (wave == this) return;
    std::unique_ptr<rtl::TMemoryStream> copy;
    if (wave->data_) {
      wave->data_->SetPosition(0);
      copy = std::make_unique<rtl::TMemoryStream>();
      copy->SetBytes(wave->data_->Bytes());
    }
    SetData(std::move(copy));
    return;
  }
  TQELObject::Assign(source);
}

}  // namespace qel
