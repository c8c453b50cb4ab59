// ILoupeModel: the loupe's settings as the options dialog and the popup
// menu's commands change them. They read the settings whole and change them
// only through the setters, which apply each change to the loupe at once.
#pragma once

#include "Canvas.h"
#include "LoupeGeometry.h"
#include "LoupeSettings.h"

namespace lensoro {

class ILoupeModel {
 public:
  virtual const TLoupeSettings& Settings() const = 0;
  virtual void SetLoupeMode(TLoupeMode mode) = 0;
  virtual void SetLoupeRate(float rate) = 0;
  virtual void SetLoupeColorMode(TLoupeColorMode mode) = 0;
  // The tracking step takes it on its next tick.
  virtual void SetLoupeSrcOrigin(TLoupeSrcOrigin origin) = 0;
  virtual void SetFrameWidth(int width) = 0;
  virtual void SetFrameColor(TColor color, TFrameColorSlot slot) = 0;
  // In force from the next start.
  virtual void SetSilentMode(bool silent) = 0;

 protected:
  ~ILoupeModel() = default;
};

}  // namespace lensoro
