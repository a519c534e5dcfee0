// The texts of the cabinet component's failures: the interface's text and
// its code, then the system's reason and its code when there is one, as a
// user or the support reads them.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <cerrno>
#include <cstring>

#include "app/cabwriter.h"

namespace app::testing {
namespace {

QString SystemText(int code) { return QString::fromLocal8Bit(std::strerror(code)); }

TEST(CabinetErrorTexts, CodeInHexAndTheSystemsReasonWhenThereIsOne) {
  cab::ERF erf;
  erf.fError = true;
  erf.erfOper = cab::FCIERR_ALLOC_FAIL;
  EXPECT_EQ(EQbCabinet(erf, false).Message(), QStringLiteral("Out of memory in FCI [0x0003]"));
  erf.erfOper = cab::FCIERR_CAB_FILE;
  erf.erfType = ENOSPC;
  EXPECT_EQ(EQbCabinet(erf, false).Message(), QStringLiteral("Could not create cabinet file [0x0006].\r\n") +
                                                  SystemText(ENOSPC) + QStringLiteral(" [0x001C]."));
  // The decompression interface's table, and codes beyond both tables.
  erf.erfOper = 4;
  erf.erfType = 0;
  EXPECT_EQ(EQbCabinet(erf, true).Message(), QStringLiteral("Cabinet file is corrupt [0x0004]"));
  erf.erfOper = 300;
  EXPECT_EQ(EQbCabinet(erf, true).Message(), QStringLiteral("FDI error [0x012C]"));
  // Without the error flag the record tells nothing.
  erf.fError = false;
  erf.erfType = EIO;
  EXPECT_EQ(EQbCabinet(erf, false).Message(), QStringLiteral("FCI error"));
  EXPECT_EQ(EQbCabinet(erf, true).Message(), QStringLiteral("FDI error"));
}

// A file that vanished between the listing and the reading: the writer's
// own failure, with the system's reason.
TEST(CabinetErrorTexts, AFileThatCannotBeOpenedSaysWhich) {
  QTemporaryDir dir;
  TQbCabWriter writer;
  writer.SetCompressionType(cctMsZip);
  writer.CreateCabinet(dir.filePath(QStringLiteral("prova.cab")));
  try {
    writer.AddFile(dir.filePath(QStringLiteral("sparito.kvf")), QStringLiteral("sparito.kvf"));
    ADD_FAILURE() << "a missing file was added";
  } catch (const EQbCabinet &e) {
    EXPECT_EQ(e.Message(), QStringLiteral("Failure opening file to be stored in cabinet [0x0001].\r\n") +
                               SystemText(ENOENT) + QStringLiteral(" [0x0002]."));
    EXPECT_EQ(e.ErrorCode(), cab::FCIERR_OPEN_SRC);
    EXPECT_EQ(e.SystemError(), ENOENT);
  }
  writer.CloseCabinet(false);
}

}  // namespace
}  // namespace app::testing
