// The QR tests run with the process's SymbolTables, as the launcher does.
#include <gtest/gtest.h>

#include "qr/symbol_tables.h"

namespace {

class SymbolTablesEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { qr::CreateSymbolTables(); }
  void TearDown() override { qr::ReleaseSymbolTables(); }
};

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::AddGlobalTestEnvironment(new SymbolTablesEnvironment);
  return RUN_ALL_TESTS();
}
