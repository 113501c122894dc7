var d: TDevice; w: word; s: string;
begin
  d := TDevice.create(nil);
  d.Level := 3;
  with device, d do begin Label := 'x'; Level := Level + 1; end;
  if readPort(w) then s := IntToHex(w, 4);
  try d.setLevel(9, 5); except on E: Exception do s := E.Message; end;
  writeLn(s + d.Label + IntToStr(device.Level));
end.
