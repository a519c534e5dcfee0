// The program's cabinet archive component. `TQbCabWriter` writes cabinet
// archives through the file compression interface (platform/cabinet/fci.h):
// it creates a cabinet, adds files singly or by folder and mask, splits into
// further cabinets and folders by size or file count, reports progress
// through its events and turns every failure of the interface into an
// `EQbCabinet`. The backup (backup.h) is its user.
//
// `TQbCabReader` is the matching reader's shell: the maintenance window holds
// one, nothing reads with it.
//
// Differences from the system library it stands in for: a cabinet is written
// beside its final name and moved over it when complete, so creating a
// cabinet no longer deletes the archive of the same name first: a failed run
// keeps the previous archive. LZX (the default), MSZIP and stored data are
// written; Quantum is not.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>

#include "platform/cabinet/fci.h"
#include "platform/rtl/exceptions.h"
#include "platform/vcl/component.h"
#include "platform/vcl/typinfo.h"

namespace app {

ORBISCA_ENUM(TQbCabCompressionType, cctNone, cctMsZip, cctLzx)

using TCCAB = cab::CCAB;
using TQbCabLzxLevel = int;  // the LZX window, 15 to 21

// A failure of the compression (FCI) or decompression (FDI) interface, with
// the interface's operation code and the system's error number.
class EQbCabinet : public rtl::Exception {
 public:
  EQbCabinet(const cab::ERF &erf, bool fdi);
  explicit EQbCabinet(const QString &message) : rtl::Exception(message) {}
  const char *ClassName() const override { return "EQbCabinet"; }
  bool InheritsFrom(const char *class_name) const override {
    return qstrcmp(class_name, "EQbCabinet") == 0 || rtl::Exception::InheritsFrom(class_name);
  }
  int ErrorCode() const { return code_; }
  int SystemError() const { return system_error_; }
  bool IsFdi() const { return fdi_; }

  // The text of an operation code of either interface.
  static QString ErrorText(int code, bool fdi);
  // The message of an error record: with its error flag, the operation's
  // text and " [0x" its code in four hexadecimal digits "]", then, when the
  // system gave a reason, ".\r\n", the system's message and its code the
  // same way, and "."; without the flag, "FCI error" or "FDI error".
  static QString MessageOf(const cab::ERF &erf, bool fdi);

 private:
  int code_ = 0;
  int system_error_ = 0;
  bool fdi_ = false;
};

// AddFiles option: descend into subfolders.
constexpr int kCabAddRecurse = 1;

class TQbCabWriter : public vcl::TComponent {
  ORBISCA_CLASS(TQbCabWriter, vcl::TComponent)

 public:
  explicit TQbCabWriter(vcl::TComponent *owner = nullptr);
  ~TQbCabWriter() override;

  // --- properties -----------------------------------------------------------------
  std::uint32_t CabinetSizeThreshold() const { return cabinet_size_threshold_; }
  void SetCabinetSizeThreshold(std::uint32_t v) { cabinet_size_threshold_ = v; }
  std::uint32_t CabinetFileCountThreshold() const { return cabinet_file_count_threshold_; }
  void SetCabinetFileCountThreshold(std::uint32_t v) { cabinet_file_count_threshold_ = v; }
  std::uint32_t FolderSizeThreshold() const { return folder_size_threshold_; }
  void SetFolderSizeThreshold(std::uint32_t v) { folder_size_threshold_ = v; }
  std::uint32_t FolderFileCountThreshold() const { return folder_file_count_threshold_; }
  void SetFolderFileCountThreshold(std::uint32_t v) { folder_file_count_threshold_ = v; }
  std::uint32_t ReservePerCabinetSize() const { return reserve_cabinet_; }
  void SetReservePerCabinetSize(std::uint32_t v) { reserve_cabinet_ = v; }
  std::uint32_t ReservePerFolderSize() const { return reserve_folder_; }
  void SetReservePerFolderSize(std::uint32_t v) { reserve_folder_ = v; }
  std::uint32_t ReservePerDataSize() const { return reserve_data_; }
  void SetReservePerDataSize(std::uint32_t v) { reserve_data_ = v; }
  std::uint16_t SetID() const { return set_id_; }
  void SetSetID(std::uint16_t v) { set_id_ = v; }
  const QString &CabinetNameTemplate() const { return cabinet_name_template_; }
  void SetCabinetNameTemplate(const QString &v) { cabinet_name_template_ = v; }
  const QString &CabinetPathTemplate() const { return cabinet_path_template_; }
  void SetCabinetPathTemplate(const QString &v) { cabinet_path_template_ = v; }
  const QString &DiskLabelTemplate() const { return disk_label_template_; }
  void SetDiskLabelTemplate(const QString &v) { disk_label_template_ = v; }
  TQbCabCompressionType CompressionType() const { return compression_type_; }
  void SetCompressionType(TQbCabCompressionType v) { compression_type_ = v; }
  TQbCabLzxLevel CompressionLzxLevel() const { return lzx_level_; }
  // Raises ERangeError outside 15..21.
  void SetCompressionLzxLevel(TQbCabLzxLevel v);

  // --- events ---------------------------------------------------------------------
  std::function<void(rtl::TObject *sender, const TCCAB &ccab, const QString &file_name, int file_size,
                     bool continuation, bool &abort)>
      OnFilePlaced;
  std::function<void(rtl::TObject *sender, TCCAB &ccab, std::uint32_t prev_cab_size, bool &abort)> OnGetNextCabinet;
  std::function<void(rtl::TObject *sender, std::uint32_t compressed_block_size, std::uint32_t uncompressed_block_size,
                     bool &abort)>
      OnFileStatus;
  std::function<void(rtl::TObject *sender, std::uint32_t copied_size, std::uint32_t total_size, bool &abort)>
      OnFolderStatus;
  std::function<void(rtl::TObject *sender, std::uint32_t prev_estimated_size, std::uint32_t actual_size,
                     std::uint32_t &desired_size, bool &abort)>
      OnCabinetStatus;
  std::function<void(rtl::TObject *sender, bool &abort)> OnProgress;

  // --- commands -------------------------------------------------------------------
  // Starts a cabinet (any open one is closed without flushing). When
  // OnGetNextCabinet aborts, no cabinet is opened and nothing is raised.
  void CreateCabinet(const QString &file_name);
  void AddFile(const QString &source, const QString &stored_name, bool execute = false);
  // Adds every file of the folder that matches the mask (case ignored, by
  // name order) under `prefix`\name; with kCabAddRecurse the subfolders too.
  void AddFiles(const QString &path_with_mask, const QString &prefix = {}, int options = 0);
  void FlushFolder();
  void FlushCabinet(bool start_next);
  void StartNextCabinet() { FlushCabinet(true); }
  // Optionally flushes, then frees the context (even when the flush fails).
  void CloseCabinet(bool flush);

  bool Active() const { return context_ != nullptr; }
  // The full name of the first cabinet.
  const QString &CabinetFileName() const { return full_name_; }
  // The current cabinet record.
  const TCCAB &CCab() const { return ccab_; }
  // The code handed to the interface for the compression type.
  std::uint16_t CompressionCode() const;

  // Names of the n-th disk, cabinet and cabinet folder (see the templates).
  QString DiskLabel(int n) const;
  QString CabinetName(int n) const;
  QString CabinetPath(int n) const;

 private:
  void Check(bool ok);
  void CheckOpen() const;
  cab::FciCallbacks Callbacks();
  void AddFolder(const QString &folder, const QString &mask, const QString &prefix, int options, QStringList &visited);

  std::uint32_t cabinet_size_threshold_ = 0;
  std::uint32_t cabinet_file_count_threshold_ = 0;
  std::uint32_t folder_size_threshold_ = 0;
  std::uint32_t folder_file_count_threshold_ = 0;
  std::uint32_t reserve_cabinet_ = 0, reserve_folder_ = 0, reserve_data_ = 0;
  std::uint16_t set_id_ = 0;
  QString cabinet_name_template_, cabinet_path_template_, disk_label_template_;
  TQbCabCompressionType compression_type_ = cctLzx;
  TQbCabLzxLevel lzx_level_ = 21;

  cab::HFCI context_ = nullptr;
  cab::ERF erf_;
  TCCAB ccab_;
  QString full_name_;
  std::uint32_t cabinet_files_ = 0;
  std::uint32_t folder_files_ = 0;
  int progress_countdown_ = 0;
};

// The reader's shell: options and events, no reading.
class TQbCabReader : public vcl::TComponent {
  ORBISCA_CLASS(TQbCabReader, vcl::TComponent)

 public:
  explicit TQbCabReader(vcl::TComponent *owner = nullptr) : vcl::TComponent(owner) {}
  ~TQbCabReader() override;

  int Options() const { return options_; }
  void SetOptions(int v) { options_ = v; }

  using TNotify = std::function<void(rtl::TObject *sender, const QString &name, int &result)>;
  TNotify OnCabinetInfo, OnCopyFile, OnCopyPartialFile, OnCloseFile, OnNextCabinet, OnUnrecognizedNotify;

 private:
  int options_ = 0;
};

}  // namespace app
