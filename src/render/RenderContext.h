#pragma once
// The renderer handed to every effect: it draws into the display's back buffer.
// It refers to the display and never owns it.

class Display;

class RenderContext {
public:
    RenderContext(Display* display, int width, int height) : m_display(display), m_width(width), m_height(height) {}
    Display* display() const { return m_display; }
    int width() const { return m_width; }
    int height() const { return m_height; }

private:
    Display* m_display;
    int m_width;
    int m_height;
};
