#include "update/version_record.h"

#include "app/globals.h"
#include "platform/files.h"
#include "platform/profile.h"

namespace update {

bool RecordLocalVersion(const platform::Text& encipheredVersion) {
  const platform::Text config = app::ConfigPath();
  const platform::Text copy = config + ".new";
  const std::optional<std::string> content = platform::ReadWholeFile(config);
  if (!content || !platform::WriteWholeFile(copy, *content) ||
      !platform::WriteProfileValue(copy, "server", platform::Gbk("本地版本"), encipheredVersion) ||
      !platform::MoveFileOver(copy, config)) {
    platform::DeleteFileAt(copy);
    return false;
  }
  return true;
}

}  // namespace update
