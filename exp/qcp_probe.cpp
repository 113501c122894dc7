#include <QApplication>
#include <QImage>
#include <qcustomplot.h>
#include <cstdio>
#include <cmath>
int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QCustomPlot plot;
  plot.resize(320, 190);
  plot.plotLayout()->setMargins(QMargins(0,0,0,0));
  plot.legend->setVisible(false);
  QFont f; f.setPixelSize(10); f.setStyleStrategy(QFont::PreferNoShaping);
  plot.xAxis->setTickLabelFont(f); plot.yAxis->setTickLabelFont(f);
  auto* g = plot.addGraph();
  QPen pen(QColor(255,0,0)); pen.setWidth(1); g->setPen(pen); g->setAntialiased(false);
  QVector<double> k, v;
  for (int i = 0; i < 150; ++i) { k.append(i*0.2); v.append(2.0 + std::sin(i/15.0)); }
  g->setData(k, v);
  plot.xAxis->setRange(0, 30);
  plot.yAxis->setRange(1.0, 3.0);
  plot.replot();
  QImage img = plot.toPixmap(320,190).toImage().convertToFormat(QImage::Format_RGB32);
  img.save("qcp.png");
  QRect r = plot.axisRect()->rect();
  printf("axisRect %d %d %d %d  outer %d %d %d %d\n", r.left(), r.top(), r.width(), r.height(),
    plot.axisRect()->outerRect().left(), plot.axisRect()->outerRect().top(), plot.axisRect()->outerRect().width(), plot.axisRect()->outerRect().height());
  printf("margins %d %d %d %d\n", plot.axisRect()->margins().left(), plot.axisRect()->margins().top(), plot.axisRect()->margins().right(), plot.axisRect()->margins().bottom());
  printf("x coord 0 -> %f, 30 -> %f; y 1 -> %f 3 -> %f\n", plot.xAxis->coordToPixel(0), plot.xAxis->coordToPixel(30), plot.yAxis->coordToPixel(1), plot.yAxis->coordToPixel(3));
  printf("padding x %d y %d tlp x %d y %d labelpad %d %d ticklen %d %d sub %d %d offset %d\n", plot.xAxis->padding(), plot.yAxis->padding(), plot.xAxis->tickLabelPadding(), plot.yAxis->tickLabelPadding(), plot.xAxis->labelPadding(), plot.yAxis->labelPadding(), plot.xAxis->tickLengthIn(), plot.xAxis->tickLengthOut(), plot.xAxis->subTickLengthIn(), plot.xAxis->subTickLengthOut(), plot.xAxis->offset());
  QPen gp = plot.xAxis->grid()->pen(); printf("grid pen %s w %f style %d zero style %d color %s sub vis %d aa %d\n", qPrintable(gp.color().name()), gp.widthF(), (int)gp.style(), (int)plot.xAxis->grid()->zeroLinePen().style(), qPrintable(plot.xAxis->grid()->zeroLinePen().color().name()), plot.xAxis->grid()->subGridVisible(), plot.xAxis->grid()->antialiased());
  printf("axis aa %d basepen w %f cap %d\n", plot.xAxis->antialiased(), plot.xAxis->basePen().widthF(), (int)plot.xAxis->basePen().capStyle());
  printf("plotting hints %d antialiased elements %d notaa %d\n", (int)plot.plottingHints(), (int)plot.antialiasedElements(), (int)plot.notAntialiasedElements());
  // dump a region: rows around bottom, columns left
  auto ch = [&](int x, int y) {
    QRgb p = img.pixel(x,y);
    if (p == qRgb(255,255,255)) return '.';
    if (p == qRgb(0,0,0)) return '#';
    if (p == qRgb(255,0,0)) return 'r';
    if (p == qRgb(200,200,200)) return 'g';
    if (qGray(p) < 128) return 'X';
    return '+';
  };
  for (int y = 0; y < 190; ++y) { printf("%3d ", y); for (int x = 0; x < 80; ++x) putchar(ch(x,y)); printf("   "); for (int x = 280; x < 320; ++x) putchar(ch(x,y)); putchar('\n'); }
}
