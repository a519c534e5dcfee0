// Shared pieces of the report object tests: a stand-in report that lists
// its views through the engine's slot, captured message boxes, the engine
// state put back after each test, and bitmaps to draw on.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/vcl/dialogs.h"
#include "platform/vcl/graphics.h"
#include "report/engine/model/kvclass.h"
#include "report/engine/model/kvservices.h"

namespace report::testing {

// The views of one report. The engine only uses the report's address as a
// key, so the stand-in's own address serves.
struct FakeReport {
  std::vector<std::unique_ptr<TkvView>> views;
  TkvReport *Key() { return reinterpret_cast<TkvReport *>(this); }
  template <class View>
  View *Add() {
    views.push_back(std::make_unique<View>(Key()));
    return static_cast<View *>(views.back().get());
  }
};

class ReportObjectTest : public ::testing::Test {
 protected:
  void SetUp() override {
    kvEngine().ReportViews = [this](const TkvReport *r) {
      std::vector<TkvView *> list;
      if (r == report_.Key()) {
        for (auto &v : report_.views) list.push_back(v.get());
      }
      return list;
    };
    previous_ = vcl::SetDialogResponder([this](vcl::TDialogRequest &request) {
      messages_.push_back(request.text);
      captions_.push_back(request.caption);
      return vcl::mrOk;
    });
  }
  void TearDown() override {
    vcl::SetDialogResponder(previous_);
    KvEditorServices() = services_;
  }

  static void Printing(bool on) { kvEngine().DrawMode = on ? kvDrawPrinting : kvDrawDesign; }

  static const vcl::TBitmap &RedSquare(int side) {
    static vcl::TBitmap bitmap;
    QImage image(side, side, QImage::Format_RGB32);
    image.fill(QColor(255, 0, 0));
    bitmap.SetImage(image);
    return bitmap;
  }

  FakeReport report_;
  std::vector<QString> messages_;
  std::vector<QString> captions_;

 private:
  TkvEngineStateGuard engine_;
  vcl::TDialogResponder previous_;
  TkvEditorServices services_ = KvEditorServices();  // put back after each test
};

// A white bitmap to draw on, with helpers to look at its pixels.
class Page {
 public:
  Page(int width, int height) : bitmap_(width, height) {
    vcl::TCanvas *c = bitmap_.Canvas();
    c->Brush()->SetStyle(vcl::bsSolid);
    c->Brush()->SetColor(vcl::clWhite);
    c->FillRect(vcl::Rect(0, 0, width, height));
  }
  vcl::TCanvas *Canvas() { return bitmap_.Canvas(); }
  vcl::TColor At(int x, int y) { return bitmap_.Canvas()->Pixel(x, y); }
  // Pixels in the rectangle that are neither white nor `ignore`.
  int Inked(const vcl::TRect &r, vcl::TColor ignore = vcl::clWhite) {
    int n = 0;
    for (int y = r.Top; y < r.Bottom; ++y) {
      for (int x = r.Left; x < r.Right; ++x) {
        const vcl::TColor c = At(x, y);
        if (c != vcl::clWhite && c != ignore) ++n;
      }
    }
    return n;
  }
  // The bounding box of the pixels of one colour (or of every non-white
  // pixel when `color` is clNone); empty when there are none.
  vcl::TRect Box(const vcl::TRect &r, vcl::TColor color = vcl::clNone) {
    vcl::TRect box{r.Right, r.Bottom, r.Left, r.Top};
    for (int y = r.Top; y < r.Bottom; ++y) {
      for (int x = r.Left; x < r.Right; ++x) {
        const vcl::TColor c = At(x, y);
        const bool hit = color == vcl::clNone ? c != vcl::clWhite : c == color;
        if (!hit) continue;
        box.Left = std::min(box.Left, x);
        box.Top = std::min(box.Top, y);
        box.Right = std::max(box.Right, x + 1);
        box.Bottom = std::max(box.Bottom, y + 1);
      }
    }
    return box;
  }
  QImage Image() const { return bitmap_.Image(); }

 private:
  vcl::TBitmap bitmap_;
};

}  // namespace report::testing
