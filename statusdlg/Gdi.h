// Owning wrappers for the GDI objects the dialogs and level bars create. Each
// holds one handle and deletes it in its destructor.
#pragma once

#include <windows.h>

class CFontHandle {
 public:
  CFontHandle() = default;
  ~CFontHandle() { Delete(); }
  CFontHandle(const CFontHandle&) = delete;
  CFontHandle& operator=(const CFontHandle&) = delete;

  bool CreateIndirect(const LOGFONTA& font) {
    Delete();
    m_font = CreateFontIndirectA(&font);
    return m_font != nullptr;
  }
  void Delete() {
    if (m_font) DeleteObject(m_font);
    m_font = nullptr;
  }
  HFONT Get() const { return m_font; }

 private:
  HFONT m_font = nullptr;
};

class CSolidBrush {
 public:
  explicit CSolidBrush(COLORREF colour) : m_brush(CreateSolidBrush(colour)) {}
  ~CSolidBrush() {
    if (m_brush) DeleteObject(m_brush);
  }
  CSolidBrush(const CSolidBrush&) = delete;
  CSolidBrush& operator=(const CSolidBrush&) = delete;
  HBRUSH Get() const { return m_brush; }

 private:
  HBRUSH m_brush;
};

// Selects an object into a DC for the lifetime of the guard.
class CSelectObject {
 public:
  CSelectObject(HDC dc, HGDIOBJ object) : m_dc(dc), m_old(object ? SelectObject(dc, object) : nullptr) {}
  ~CSelectObject() {
    if (m_old) SelectObject(m_dc, m_old);
  }
  CSelectObject(const CSelectObject&) = delete;
  CSelectObject& operator=(const CSelectObject&) = delete;

 private:
  HDC m_dc;
  HGDIOBJ m_old;
};

// A memory DC with a bitmap compatible with a reference DC selected into it.
class COffscreen {
 public:
  COffscreen(HDC reference, int width, int height)
      : m_dc(CreateCompatibleDC(reference)),
        m_bitmap(CreateCompatibleBitmap(reference, width, height)),
        m_old(m_dc && m_bitmap ? SelectObject(m_dc, m_bitmap) : nullptr) {}
  ~COffscreen() {
    if (m_old) SelectObject(m_dc, m_old);
    if (m_bitmap) DeleteObject(m_bitmap);
    if (m_dc) DeleteDC(m_dc);
  }
  COffscreen(const COffscreen&) = delete;
  COffscreen& operator=(const COffscreen&) = delete;
  bool IsValid() const { return m_old != nullptr; }
  HDC Dc() const { return m_dc; }

 private:
  HDC m_dc;
  HBITMAP m_bitmap;
  HGDIOBJ m_old;
};

// BeginPaint/EndPaint pair.
class CPaintScope {
 public:
  explicit CPaintScope(HWND window) : m_window(window) { BeginPaint(window, &m_ps); }
  ~CPaintScope() { EndPaint(m_window, &m_ps); }
  CPaintScope(const CPaintScope&) = delete;
  CPaintScope& operator=(const CPaintScope&) = delete;
  HDC Dc() const { return m_ps.hdc; }

 private:
  HWND m_window;
  PAINTSTRUCT m_ps;
};

inline void FillSolid(HDC dc, int left, int top, int right, int bottom, COLORREF colour) {
  RECT r = {left, top, right, bottom};
  CSolidBrush brush(colour);
  FillRect(dc, &r, brush.Get());
}
