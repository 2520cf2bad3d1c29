// The contract world on the simulated desktop.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "tests/contract/contract_version.h"
#include "tests/contract/contract_world.h"
#include "tests/sim/sim_desktop.h"
#include "tests/support/version_block.h"

namespace mm::contract {

namespace {

class SimWorld : public ContractWorld {
 public:
  SimWorld() : root_(FreshRoot()), desk_(root_) {
    SetOs(&desk_);
    GiveProgramItsVersionBlock();
  }
  ~SimWorld() override {
    SetOs(nullptr);
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
  }

  Platform& os() override { return desk_; }

  HWND CreateTopLevel(const std::string& caption, const std::string& className, bool visible,
                      DWORD style, DWORD exStyle) override {
    sim::WindowSpec spec;
    spec.caption = caption;
    spec.className = className;
    spec.visible = visible;
    spec.style = style;
    spec.exStyle = exStyle;
    spec.processId = 1000;  // another application's window
    return desk_.AddWindow(spec);
  }

  void Destroy(HWND hWnd) override { desk_.CloseWindow(hWnd); }

  void Settle() override { desk_.Pump(); }

  std::string ScratchFolder() override {
    // A new folder per call, so that every test starts empty.
    std::string folder = "C:\\scratch\\" + std::to_string(++scratch_) + "\\";
    desk_.CreateDirectoryA("C:\\scratch");
    desk_.CreateDirectoryA(folder.substr(0, folder.size() - 1));
    return folder;
  }

  HWND CreateDialogFrom(const DialogTemplate& dialogTemplate, HWND parent,
                        DialogHost* host) override {
    desk_.AddDialogTemplate(dialogTemplate);
    return desk_.CreateDialogU8(dialogTemplate.id, parent, host);
  }

  LRESULT SendFromAnotherThread(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) override {
    return desk_.SendFromOtherProgram(hWnd, msg, wParam, lParam);
  }

  void AnswerNextMessageBox(const std::string&, int answer) override {
    desk_.QueueMessageBoxAnswer(answer);
  }

  bool IsSimulated() const override { return true; }

 private:
  // The block the resource compiler writes into contract_tests.exe.
  void GiveProgramItsVersionBlock() {
    using testing::VersionBlock;
    const WORD product[] = {MM_CONTRACT_PRODUCT_VERSION};
    const WORD file[] = {MM_CONTRACT_FILE_VERSION};
    VersionBlock block;
    block.productVersionMS = VersionBlock::Pack(product[0], product[1]);
    block.productVersionLS = VersionBlock::Pack(product[2], product[3]);
    block.fileVersionMS = VersionBlock::Pack(file[0], file[1]);
    block.fileVersionLS = VersionBlock::Pack(file[2], file[3]);
    block.tables = {{MM_CONTRACT_TABLE,
                     {{"ProductName", MM_CONTRACT_PRODUCT_NAME},
                      {"LegalCopyright", MM_CONTRACT_COPYRIGHT}}}};
    block.translations = {{MM_CONTRACT_LANGUAGE, MM_CONTRACT_CODE_PAGE}};
    char program[MAX_PATH] = {};
    desk_.GetModuleFileNameA(program, MAX_PATH);
    desk_.SetFileVersionBlock(program, block.Bytes());
  }

  // Each world gets an empty file root of its own, also across test
  // programs that run in parallel; process ids come round again, so what an
  // earlier program with the same id left there is cleared first.
  static std::string FreshRoot() {
    static int n = 0;
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%ld_%d", static_cast<long>(::getpid()), ++n);
    const std::string root = ::testing::TempDir() + "morimo_contract_" + buffer;
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
    return root;
  }

  std::string root_;
  sim::SimDesktop desk_;
  int scratch_ = 0;
};

}  // namespace

std::unique_ptr<ContractWorld> MakeContractWorld() { return std::make_unique<SimWorld>(); }

}  // namespace mm::contract
