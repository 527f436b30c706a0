   /* ---- more-option widget: a cue on the edge and a menu round the bezel ---- */
   group { name: "elm/layout/more_option/base/default";
      parts {
         part { name: "elm.swallow.content"; type: SWALLOW;
            description { state: "default" 0.0; }
         }
         part { name: "cue"; type: IMAGE; mouse_events: 0;
            description { state: "default" 0.0;
               rel1.relative: (336/360) (132/360);
               rel2.relative: 1.0 (228/360);
               image.normal: "theme_cue.png";
               color: 110 118 132 255;
            }
            description { state: "hidden" 0.0;
               inherit: "default" 0.0;
               rel1.relative: 1.0 (132/360);
               rel2.relative: (384/360) (228/360);
               color: 110 118 132 0;
               visible: 0;
            }
         }
         part { name: "cue.event"; type: RECT;
            description { state: "default" 0.0;
               rel1 { relative: -1.0 0.0; to: "cue"; }
               rel2.to: "cue";
               color: 0 0 0 0;
            }
            description { state: "hidden" 0.0;
               inherit: "default" 0.0;
               visible: 0;
            }
         }
         part { name: "elm.swallow.panel"; type: SWALLOW;
            description { state: "default" 0.0; }
         }
      }
      programs {
         program { signal: "mouse,clicked,1"; source: "cue.event";
            action: SIGNAL_EMIT "cue,clicked" "elm";
         }
         program { signal: "cue,hide"; source: "elm";
            action: STATE_SET "hidden" 0.0; targets: "cue" "cue.event";
            transition: DECELERATE 0.2;
         }
         program { signal: "cue,show"; source: "elm";
            action: STATE_SET "default" 0.0; targets: "cue" "cue.event";
            transition: DECELERATE 0.2;
         }
      }
   }

   styles {
      style { name: "more_option_main";
         base: "font="FONT_BOLD" font_size=28 align=center valign=0.5 color=#ffffff wrap=mixed";
      }
      style { name: "more_option_sub";
         base: "font="FONT" font_size=22 align=center color=#c8cdd6 wrap=mixed ellipsis=1.0";
      }
   }

   group { name: "elm/layout/more_option/panel/default";
      parts {
         part { name: "clip"; type: RECT;
            description { state: "default" 0.0; color: 255 255 255 0; }
            description { state: "open" 0.0; color: 255 255 255 255; }
         }
         part { name: "corners"; type: RECT; clip_to: "clip";
            description { state: "default" 0.0; color: 0 0 0 255; }
         }
         part { name: "bg"; type: IMAGE; clip_to: "clip";
            description { state: "default" 0.0;
               image.normal: "theme_screen.png";
               color: 14 16 20 255;
            }
         }
         part { name: "center.event"; type: RECT; clip_to: "clip";
            description { state: "default" 0.0;
               rel1.relative: (90/360) (110/360);
               rel2.relative: (270/360) (250/360);
               color: 0 0 0 0;
            }
         }
         part { name: "elm.text.main"; type: TEXTBLOCK; clip_to: "clip"; mouse_events: 0;
            description { state: "default" 0.0;
               rel1.relative: (60/360) (118/360);
               rel2.relative: (300/360) (212/360);
               text { style: "more_option_main"; }
            }
         }
         part { name: "elm.text.sub"; type: TEXTBLOCK; clip_to: "clip"; mouse_events: 0;
            description { state: "default" 0.0;
               rel1.relative: (90/360) (210/360);
               rel2.relative: (270/360) (246/360);
               text { style: "more_option_sub"; }
            }
         }
         part { name: "item.0"; type: SWALLOW; clip_to: "clip";
            description { state: "default" 0.0;
               rel1.relative: (147.0/360) (9.0/360);
               rel2.relative: (213.0/360) (75.0/360);
            }
         }
         part { name: "item.1"; type: SWALLOW; clip_to: "clip";
            description { state: "default" 0.0;
               rel1.relative: (216.0/360) (27.5/360);
               rel2.relative: (282.0/360) (93.5/360);
            }
         }
         part { name: "item.2"; type: SWALLOW; clip_to: "clip";
            description { state: "default" 0.0;
               rel1.relative: (266.5/360) (78.0/360);
               rel2.relative: (332.5/360) (144.0/360);
            }
         }
         part { name: "item.3"; type: SWALLOW; clip_to: "clip";
            description { state: "default" 0.0;
               rel1.relative: (285.0/360) (147.0/360);
               rel2.relative: (351.0/360) (213.0/360);
            }
         }
         part { name: "item.4"; type: SWALLOW; clip_to: "clip";
            description { state: "default" 0.0;
               rel1.relative: (266.5/360) (216.0/360);
               rel2.relative: (332.5/360) (282.0/360);
            }
         }
         part { name: "item.5"; type: SWALLOW; clip_to: "clip";
            description { state: "default" 0.0;
               rel1.relative: (216.0/360) (266.5/360);
               rel2.relative: (282.0/360) (332.5/360);
            }
         }
         part { name: "item.6"; type: SWALLOW; clip_to: "clip";
            description { state: "default" 0.0;
               rel1.relative: (147.0/360) (285.0/360);
               rel2.relative: (213.0/360) (351.0/360);
            }
         }
         part { name: "item.7"; type: SWALLOW; clip_to: "clip";
            description { state: "default" 0.0;
               rel1.relative: (78.0/360) (266.5/360);
               rel2.relative: (144.0/360) (332.5/360);
            }
         }
         part { name: "item.8"; type: SWALLOW; clip_to: "clip";
            description { state: "default" 0.0;
               rel1.relative: (27.5/360) (216.0/360);
               rel2.relative: (93.5/360) (282.0/360);
            }
         }
         part { name: "item.9"; type: SWALLOW; clip_to: "clip";
            description { state: "default" 0.0;
               rel1.relative: (9.0/360) (147.0/360);
               rel2.relative: (75.0/360) (213.0/360);
            }
         }
         part { name: "item.10"; type: SWALLOW; clip_to: "clip";
            description { state: "default" 0.0;
               rel1.relative: (27.5/360) (78.0/360);
               rel2.relative: (93.5/360) (144.0/360);
            }
         }
         part { name: "item.11"; type: SWALLOW; clip_to: "clip";
            description { state: "default" 0.0;
               rel1.relative: (78.0/360) (27.5/360);
               rel2.relative: (144.0/360) (93.5/360);
            }
         }
      }
      programs {
         program { signal: "mouse,clicked,1"; source: "center.event";
            action: SIGNAL_EMIT "center,clicked" "elm";
         }
         program { signal: "mouse,clicked,1"; source: "corners";
            action: SIGNAL_EMIT "outside,clicked" "elm";
         }
         program { signal: "elm,state,open"; source: "elm";
            action: STATE_SET "open" 0.0; target: "clip";
            transition: DECELERATE 0.2;
         }
         program { signal: "elm,state,close"; source: "elm";
            action: STATE_SET "default" 0.0; target: "clip";
         }
      }
   }

   group { name: "elm/layout/more_option/item/default";
      parts {
         part { name: "bg"; type: IMAGE; precise_is_inside: 1;
            description { state: "default" 0.0;
               rel1.relative: 0.06 0.06; rel2.relative: 0.94 0.94;
               image.normal: "theme_disc.png";
               color: C_BUTTON;
            }
            description { state: "selected" 0.0;
               inherit: "default" 0.0;
               color: 24 90 118 255;
            }
         }
         part { name: "ring"; type: IMAGE; mouse_events: 0;
            description { state: "default" 0.0;
               image.normal: "theme_ring.png";
               color: C_ACCENT;
               visible: 0;
            }
            description { state: "selected" 0.0;
               inherit: "default" 0.0;
               visible: 1;
            }
         }
         part { name: "item,icon"; type: SWALLOW; mouse_events: 0;
            description { state: "default" 0.0;
               rel1.relative: 0.22 0.22; rel2.relative: 0.78 0.78;
            }
         }
      }
      programs {
         program { signal: "mouse,clicked,1"; source: "bg";
            action: SIGNAL_EMIT "item,clicked" "elm";
         }
         program { signal: "elm,state,selected"; source: "elm";
            action: STATE_SET "selected" 0.0; targets: "bg" "ring";
         }
         program { signal: "elm,state,unselected"; source: "elm";
            action: STATE_SET "default" 0.0; targets: "bg" "ring";
         }
      }
   }
