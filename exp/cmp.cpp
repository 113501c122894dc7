#include <QGuiApplication>
#include <QImage>
#include <cstdio>
char ch(QRgb p) { if (p == qRgb(255,255,255)) return '.'; if (p == qRgb(0,0,0)) return '#'; if (p==qRgb(255,0,0)) return 'r'; if (p==qRgb(200,200,200)) return 'g'; int g=qGray(p); return g<64?'X':g<128?'x':g<192?'+':'-'; }
int main(int argc, char** argv) {
  QImage a(argv[1]), b(argv[2]);
  int x0 = atoi(argv[3]), y0 = atoi(argv[4]), x1 = atoi(argv[5]), y1 = atoi(argv[6]);
  for (int y = y0; y < y1; ++y) { printf("%3d ", y); for (int x = x0; x < x1; ++x) putchar(ch(a.pixel(x,y))); printf("   "); for (int x = x0; x < x1; ++x) putchar(ch(b.pixel(x,y))); putchar('\n'); }
}
