#include "FakeView.h"

#include <filesystem>

namespace {

class MainDlgTest : public CDialogTest {
  protected:
    // Songs a.mp3 and b.mp3 (1.5 MB each) listed in list.m3u; out folder "out".
    void SetUp() override {
        CDialogTest::SetUp();
        WriteFileBytes("a.mp3", std::string(3 << 19, 'a'));
        WriteFileBytes("b.mp3", std::string(3 << 19, 'b'));
        WriteFileBytes("list.m3u", "a.mp3\nb.mp3\n");
        WriteFileBytes("Kelvara.ini", "out\nlist.m3u\n");
    }
    // The status the number shows as it is typed.
    std::string Type(const std::string& number) {
        m_view.SetDlgItemText(IDC_NUMBER, number);
        m_dlg->OnNumberChanged();
        return Field(IDC_STATUS);
    }
};

TEST_F(MainDlgTest, CommandsShowTheirStatusAndCopyAndDeleteRefreshTheSize) {
    Start();
    // Each number typed shows which entry it names, or what COPY would say of it.
    EXPECT_EQ(Type("3"), "ERROR: too big number");
    EXPECT_EQ(Type("0002"), "2: b.mp3");
    EXPECT_EQ(Run(&CMainDlg::OnCopy), "FILE (0002) COPIED:b.mp3");
    EXPECT_EQ(Field(IDC_OUT_SIZE), "OUT DIR SIZE: 1MB");
    EXPECT_EQ(m_view.m_progress, std::vector<std::string>{"COPY (0002) ..."});
    // EXIT stays, to stop a long command.
    EXPECT_EQ(m_view.m_disabledWhileRunning,
              (std::set<int>{IDC_NUMBER, IDC_COPY, IDC_DELETE, IDC_EDIT_ID3, IDC_RESET_FILES}));

    EXPECT_EQ(Run(&CMainDlg::OnCopy), "ERROR: no number") << "a second COPY acts on an empty number";
    WriteFileBytes("Kelvara.ini", "elsewhere\nlist.m3u\n");
    m_dlg->OnResetFiles();
    EXPECT_EQ(Field(IDC_OUT_SIZE), "OUT DIR SIZE: 0MB") << "the size of the new out folder";
    Type("2");
    EXPECT_EQ(Run(&CMainDlg::OnDelete), "FILE (2) DELETED:b.mp3");
    EXPECT_EQ(Type(""), "FILE (2) DELETED:b.mp3") << "an empty number leaves the command's own status";
    EXPECT_TRUE(std::filesystem::exists("out/b.mp3")) << "the new out folder held no copy";

    // The size adds up in 64 bits.
    WriteFileBytes("Kelvara.ini", "out\nlist.m3u\n");
    m_dlg->OnResetFiles();
    WriteFileBytes("out/big.mp3", "");
    std::filesystem::resize_file("out/big.mp3", std::uint64_t{3} << 30);  // sparse
    WriteFileBytes("out/small.mp3", std::string((1 << 20) - 1, 'x'));
    m_dlg->UpdateOutDirSize();
    EXPECT_EQ(Field(IDC_OUT_SIZE), "OUT DIR SIZE: 3074MB") << "3 GB, 1.5 MB and one byte short of 1 MB";
    std::filesystem::remove_all("out");
    m_dlg->UpdateOutDirSize();
    EXPECT_EQ(Field(IDC_OUT_SIZE), "OUT DIR SIZE: 0MB") << "a folder that cannot be searched";
}

}  // namespace
