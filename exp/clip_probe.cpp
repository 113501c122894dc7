#include <QApplication>
#include <QImage>
#include <qcustomplot.h>
#include <cstdio>
int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QCustomPlot plot;
  plot.resize(320, 190);
  plot.plotLayout()->setMargins(QMargins(0,0,0,0));
  auto* g = plot.addGraph();
  QPen pen(QColor(255,0,0)); pen.setWidth(1); g->setPen(pen); g->setAntialiased(false);
  // a box path beyond the range on every side
  QVector<double> k{-5, 30, 30, 0, 0, 35, 35, 15, 15}, v{3, 3, 0.5, 0.5, 3.5, 3.5, 1, 1, 3.5};
  g->setData(k, v, true);
  g->setLineStyle(QCPGraph::lsLine);
  plot.xAxis->setRange(0, 30); plot.yAxis->setRange(1, 3);
  plot.xAxis->grid()->setVisible(false); plot.yAxis->grid()->setVisible(false);
  plot.xAxis->setVisible(false); plot.yAxis->setVisible(false);
  plot.replot();
  QImage img = plot.grab().toImage();
  QRect r = plot.axisRect()->rect();
  printf("rect %d %d %d %d\n", r.left(), r.top(), r.width(), r.height());
  int minx=1000,maxx=-1,miny=1000,maxy=-1;
  for (int y=0;y<190;++y) for (int x=0;x<320;++x) if (img.pixel(x,y)==qRgb(255,0,0)) {minx=std::min(minx,x);maxx=std::max(maxx,x);miny=std::min(miny,y);maxy=std::max(maxy,y);}
  printf("red extent x %d..%d y %d..%d\n", minx,maxx,miny,maxy);
}
