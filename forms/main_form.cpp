#include "forms/main_form.h"

#include "forms/pictures.h"

namespace forms {
namespace {

using platform::Border;
using platform::ControlKind;
using platform::ControlSpec;
using platform::FormSpec;
using platform::StatePictures;

// The four state pictures of a picture button: <stem>_normal.png and so on.
StatePictures ButtonPictures(std::string_view stem) {
  auto find = [&](std::string_view state) {
    std::string name(stem);
    name += '_';
    name += state;
    name += ".png";
    return Picture(name);
  };
  return {find("normal"), find("hover"), find("pressed"), find("disabled")};
}

constexpr platform::Colour kLabelGold = platform::Rgb(255, 226, 150);

FormSpec BuildMainForm() {
  FormSpec form;
  form.name = "MainWindow";
  form.width = 973;
  form.height = 475;
  form.background = Picture("main_background.bmp");
  form.titleArea = {84, 10, 316, 32};  // the crest at the top left
  form.titleColour = platform::Rgb(255, 232, 160);
  form.titleFontHeight = 18;
  form.controls = {
      {.name = "进入游戏", .kind = ControlKind::PictureButton, .left = 816, .top = 392, .width = 160, .height = 96,
       .pictures = ButtonPictures("enter")},
      {.name = "关闭", .kind = ControlKind::PictureButton, .left = 840, .top = 252, .width = 111, .height = 40,
       .pictures = ButtonPictures("close")},
      {.name = "版本更新提示", .kind = ControlKind::TransparentLabel, .left = 32, .top = 370, .width = 776, .height = 38,
       .text = "客户端版本:             最新版本：              您需要更新", .textColour = kLabelGold, .fontHeight = 15},
      {.name = "倒计时", .kind = ControlKind::TransparentLabel, .left = 864, .top = 448, .width = 24, .height = 16,
       .text = "5", .textColour = kLabelGold},
      {.name = "下载进度条", .kind = ControlKind::ProgressBar, .left = 0, .top = 459, .width = 864, .height = 16,
       .visible = false, .maximum = 100},
      // Having no size, the extraction bar never shows even while it is "visible".
      {.name = "解压进度条", .kind = ControlKind::ProgressBar, .left = 160, .top = 120, .width = 0, .height = 0,
       .visible = false, .maximum = 100, .smooth = true},
      {.name = "网页公告", .kind = ControlKind::Browser, .left = 40, .top = 272, .width = 128, .height = 72,
       .visible = false},
      {.name = "服务器列表信息", .kind = ControlKind::ListView, .left = 32, .top = 88, .width = 153, .height = 34,
       .visible = false,
       .columns = {{"服务器名称", 200}, {"开启线路", 100}, {"当前状态", 80}, {"连接速度", 80}, {"选项", 100}}},
      {.name = "开始充值", .kind = ControlKind::PictureButton, .left = 32, .top = 172, .width = 143, .height = 46,
       .visible = false, .pictures = ButtonPictures("recharge")},
      {.name = "官方网站", .kind = ControlKind::PictureButton, .left = 32, .top = 135, .width = 101, .height = 35,
       .visible = false, .pictures = ButtonPictures("website")},
      {.name = "代币博彩", .kind = ControlKind::PictureButton, .left = 528, .top = 42, .width = 100, .height = 33,
       .visible = false, .pictures = ButtonPictures("lottery")},
      {.name = "最小化", .kind = ControlKind::PictureButton, .left = 138, .top = 21, .width = 33, .height = 33,
       .visible = false, .pictures = ButtonPictures("minimise")},
      {.name = "消息等待时钟", .kind = ControlKind::Timer, .periodMs = 100},
      {.name = "时钟1", .kind = ControlKind::Timer, .periodMs = 10},
      {.name = "时钟2", .kind = ControlKind::Timer, .periodMs = 20},
      {.name = "时钟3", .kind = ControlKind::Timer, .periodMs = 100},

      // Registration.
      {.name = "透明标签2", .kind = ControlKind::TransparentLabel, .left = 836, .top = 69, .width = 100, .height = 24,
       .text = "游戏账号：", .textColour = kLabelGold, .fontHeight = 16, .bold = true},
      {.name = "注册的账号名称", .kind = ControlKind::Edit, .left = 792, .top = 105, .width = 178, .height = 24,
       .centred = true, .maxLength = 16, .border = Border::Sunken},
      {.name = "透明标签5", .kind = ControlKind::TransparentLabel, .left = 836, .top = 137, .width = 108, .height = 24,
       .text = "游戏密码：", .textColour = kLabelGold, .fontHeight = 16, .bold = true},
      {.name = "注册的密码信息", .kind = ControlKind::Edit, .left = 800, .top = 168, .width = 176, .height = 24,
       .password = true, .centred = true, .maxLength = 12, .border = Border::Sunken},
      {.name = "确定注册", .kind = ControlKind::Button, .left = 843, .top = 208, .width = 104, .height = 40,
       .text = "提交注册信息", .pictures = {.normal = Picture("register_face.bmp")}},
      {.name = "注册的二级密码", .kind = ControlKind::Edit, .left = 80, .top = 53, .width = 176, .height = 24,
       .visible = false, .password = true, .maxLength = 12, .textColour = platform::Rgb(255, 0, 0)},
      {.name = "重置信息", .kind = ControlKind::Button, .left = 392, .top = 53, .width = 88, .height = 32,
       .visible = false, .text = "重置注册信息"},
  };
  return form;
}

}  // namespace

const FormSpec& MainForm() {
  static const FormSpec form = BuildMainForm();
  return form;
}

}  // namespace forms
