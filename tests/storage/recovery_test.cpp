// The recovery file: records in list order, the flag that guards it while
// it is read, and a replacement that never leaves a cut list behind (short
// tails and junk: damaged_input_test.cpp).
#include "storage/recovery.h"

#include "tests/storage/storage_world.h"

namespace mm::test {
namespace {

HWND H(std::intptr_t v) { return reinterpret_cast<HWND>(v); }

class RecoveryTest : public StorageTest {
 protected:
  RecoveryTest() { desk.CreateDirectoryA(GetSpecialFolder(CSIDL_LOCAL_APPDATA) + "MoriMo"); }

  // Reads the file the way start-up does; checks the flag on the way.
  std::vector<HWND> Read() {
    std::vector<HWND> offered;
    int restoring = 0;
    ReadHwndsFile(&restoring, [&](HWND h) {
      EXPECT_EQ(restoring, 1);
      WriteHwndsFile(restoring, {H(0x999)});  // an adoption while reading
      offered.push_back(h);
      return 1;
    });
    EXPECT_EQ(restoring, 0);
    return offered;
  }
};

TEST_F(RecoveryTest, RecordsAreLittleEndianInListOrderAndReadBackTheSame) {
  const std::vector<HWND> handles = {H(0x10203), H(0), H(0x7FFFFFFF), H(0x10203)};
  WriteHwndsFile(0, handles);
  EXPECT_EQ(HostRead(kHwndsPath), std::string("\x03\x02\x01\x00\x00\x00\x00\x00"
                                               "\xFF\xFF\xFF\x7F\x03\x02\x01\x00", 16));
  EXPECT_EQ(Read(), handles);
  EXPECT_EQ(HostRead(kHwndsPath).size(), 16u);  // reading left it as it was
  EXPECT_FALSE(desk.FileExists(kHwndsPath + ".new"));

  WriteHwndsFile(1, {H(1)});  // while restoring: unchanged
  EXPECT_EQ(HostRead(kHwndsPath).size(), 16u);
  WriteHwndsFile(0, {});
  EXPECT_EQ(HostRead(kHwndsPath), "");
  EXPECT_TRUE(Read().empty());
  DeleteHwndsFile();
  EXPECT_FALSE(desk.FileExists(kHwndsPath));
  EXPECT_TRUE(Read().empty());
  DeleteHwndsFile();  // a missing file is no error
}

TEST_F(RecoveryTest, HandlesAreWidenedAsTheSystemWidensThem) {
  EXPECT_EQ(HandleToRecord(H(0x12345678)), 0x12345678u);
  EXPECT_EQ(RecordToHandle(0x12345678u), H(0x12345678));
  // Sign extension: on 64-bit Windows a handle with the top bit of its 32
  // significant bits set is a negative value widened.
  EXPECT_EQ(RecordToHandle(0xFFFF1234u), H(static_cast<std::int32_t>(0xFFFF1234u)));
  EXPECT_EQ(HandleToRecord(RecordToHandle(0x80000000u)), 0x80000000u);
}

TEST_F(RecoveryTest, AFailedReplacementKeepsTheOldList) {
  WriteHwndsFile(0, {H(1), H(2)});
  const std::string old = HostRead(kHwndsPath);
  desk.FailNextWriteAfter(5);  // the disk fills up in the middle
  WriteHwndsFile(0, {H(3), H(4), H(5)});
  EXPECT_EQ(HostRead(kHwndsPath), old);
  EXPECT_FALSE(desk.FileExists(kHwndsPath + ".new"));
  desk.FailMoves(true);
  WriteHwndsFile(0, {H(6)});
  EXPECT_EQ(HostRead(kHwndsPath), old);
  EXPECT_FALSE(desk.FileExists(kHwndsPath + ".new"));
  desk.FailMoves(false);
  WriteHwndsFile(0, {H(7)});
  EXPECT_EQ(Read(), std::vector<HWND>{H(7)});
}

TEST_F(RecoveryTest, AMissingFolderMeansNothingIsWrittenOrReported) {
  desk.SetSpecialFolder("C:\\Elsewhere", false);
  WriteHwndsFile(0, {H(1)});
  EXPECT_FALSE(desk.FileExists("C:\\Elsewhere\\MoriMo"));
  EXPECT_TRUE(Read().empty());
  DeleteHwndsFile();
}

TEST_F(RecoveryTest, TheFlagIsClearedWhenAnOfferThrows) {
  WriteHwndsFile(0, {H(1)});
  int restoring = 0;
  EXPECT_THROW(ReadHwndsFile(&restoring, [](HWND) -> int { throw 1; }), int);
  EXPECT_EQ(restoring, 0);
}

}  // namespace
}  // namespace mm::test
