type
  TQ = record Y: integer; S: string; end;
  TP = record X, Y: integer; S: string; A: array[0..2] of integer; D: array of TQ; end;
var
  a: array[1..4] of integer;
  g: array[0..1, 0..1] of integer;
  d: array of integer;
  p, q: TP;
  ps: array of TP;
  i: integer;
procedure Swap(var x, y: integer); var t: integer; begin t := x; x := y; y := t; end;
procedure Grow(var x: integer); begin SetLength(d, Length(d) * 2 + 1); q := p; x := x + 1; end;
procedure Cut(var x: integer); begin SetLength(d, 0); x := 7; end;
procedure Pass(var r: TP); begin Swap(r.A[0], r.A[2]); Grow(r.X); Inc(r.D[0].Y); end;
procedure Name(out s: string); begin s := 'n'; Delete(s, 1, 1); end;
function Idx: integer; begin Inc(i); Result := i mod 2; end;
begin
  SetLength(d, 2); SetLength(ps, 2); SetLength(p.D, 1); SetLength(ps[0].D, 1);
  Swap(a[1], a[4]); Swap(g[0, 1], g[1][0]); Swap(d[Idx], d[Idx]);
  Grow(d[1]); Grow(ps[1].X); Pass(p); Pass(ps[0]);
  Name(ps[1].S); Name(p.D[0].S); Inc(p.A[Idx], 3); Dec(ps[Idx].Y);
  Cut(d[1]);
end.
