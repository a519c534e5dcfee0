// The sound output slot: the deviceless default and the recorder tests use.
#include <gtest/gtest.h>

#include "platform/os/sound.h"

TEST(SoundOutput, DefaultHasNoDeviceAndRecorderRestoresIt) {
  const QByteArray image("RIFF");
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
