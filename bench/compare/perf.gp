# perf.gp - time to fill a frame against the picture's size, from the CSV
# that quelm_compare --csv writes: its "median" rows, the middle of the five
# views at each size.
#   gnuplot -e "csv='perf.csv'; out='docs/perf.png'" bench/compare/perf.gp
set datafile separator ','
set terminal pngcairo size 960,640 font ',11'
set output out
set logscale xy
set format x '10^{%T}'
set format y '10^{%T}'
set xrange [3e4:2e7]
set xlabel 'pixels in the picture (320x200, 640x480, 1920x1080, 3840x2160)'
set ylabel 'time to fill the frame, µs (median over the five views)'
set key top left box opaque
set grid xtics ytics mxtics mytics
set title 'Filling the polygons of recorded frames, in the same order'
medians = '< grep ",median," '.csv
plot medians using ($1*$2):7 with linespoints lw 2 pt 5 title 'Cairo (A8, no antialiasing)', \
     medians using ($1*$2):8 with linespoints lw 2 pt 9 title 'OSMesa, 1 thread (4 bytes a pixel)', \
     medians using ($1*$2):9 with linespoints lw 2 pt 11 title 'OSMesa, default threads (4 bytes a pixel)', \
     medians using ($1*$2):6 with linespoints lw 3 pt 7 title 'gresk: ClipToRect + FillConvexPoly', \
     medians using ($1*$2):10 with linespoints lw 2 dt 2 pt 6 lc rgb '#404040' title 'limit: one memset per run gresk writes', \
     medians using ($1*$2):11 with linespoints lw 2 dt 3 pt 4 lc rgb '#808080' title 'limit: one memset of all those bytes'
