// The engine's own classes: TComponent with Name, Free, nil, is/as, and with over
// several objects.
var
  a, b: TComponent;
  o: TObject;
begin
  a := TComponent.Create(nil);
  b := TComponent.Create(a);
  a.Name := 'first';
  with b do Name := 'second';
  with a, b do writeLn(Name);
  with a do
  begin
    writeLn(Name);
    with b do writeLn(Name + ' inside ' + a.Name);
  end;
  o := a;
  if o is TComponent then writeLn('is a component: ' + (o as TComponent).Name);
  if (o = a) and (o <> b) and (a <> nil) then writeLn('identity');
  writeLn(a.ClassName);
  b := nil;
  if not Assigned(b) and (b = nil) then writeLn('nil');
  a.Free;
  writeLn('done');
end.
(* output
second
first
second inside first
is a component: first
identity
TComponent
nil
done
*)
