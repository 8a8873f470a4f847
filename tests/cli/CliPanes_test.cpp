#include "cli/CliPanes.h"

#include <gtest/gtest.h>

namespace {

TEST(TextTreePane, PrintsEveryItemDepthFirstIndentedByLevel) {
  TextTreePane tree;
  const auto root = tree.InsertItem(0, "RecvData");
  const auto header = tree.InsertItem(root, "Header");
  const auto ip = tree.InsertItem(header, "IP HEADER");
  const auto data = tree.InsertItem(root, "DATA");  // inserted before IP's lines
  tree.InsertItem(ip, "Version       : 4");
  tree.InsertItem(data, "000000 | 41");
  tree.InsertItem(header, "UDP HEADER");
  tree.ExpandItem(header);
  EXPECT_EQ(tree.InsertItem(99, "orphan"), 0u);

  const std::vector<std::string> expected = {
      "RecvData",       "  Header", "    IP HEADER",   "      Version       : 4",
      "    UDP HEADER", "  DATA",   "    000000 | 41",
  };
  EXPECT_EQ(tree.Lines(), expected);

  tree.DeleteAllItems();
  EXPECT_TRUE(tree.Lines().empty());
  tree.InsertItem(0, "again");
  EXPECT_EQ(tree.Lines(), std::vector<std::string>{"again"});
}

TEST(RecordingMessageBoxes, AnswersOkAndKeepsOnlyWarnings) {
  RecordingMessageBoxes boxes;
  EXPECT_EQ(boxes.ShowMessageBox("保存が完了しました", "保存完了", kMbOk), kIdOk);
  EXPECT_EQ(boxes.ShowMessageBox("確認", "質問", kMbOkCancel | kMbIconQuestion), kIdOk);
  EXPECT_EQ(boxes.ShowMessageBox("メモリオーバー", "x", kMbOk | kMbIconWarning), kIdOk);
  EXPECT_EQ(boxes.warnings(), std::vector<std::string>{"メモリオーバー"});
}

}  // namespace
